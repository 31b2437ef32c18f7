#pragma once

#include "model/ModuleState.h"

#include <gtest/gtest.h>

// Keeps the program-wide language table as it was before each test.
class LanguageTableTest : public ::testing::Test
{
protected:
    void SetUp() override { m_saved = localizationTable; }
    void TearDown() override { localizationTable = m_saved; }

private:
    std::optional<QVariantMap> m_saved;
};
