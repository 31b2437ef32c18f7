#pragma once

#include <QStringList>

// twinsift-bench --results [--groups N] [--files M] [--seed S]: times the results screen's work on
// N made-up shown groups holding M files in all (default 20,000 and 50,000): the matching-level
// regrouping (with the protection derived again), the videos-only filter, and the counter refresh
// (selection summary and result totals). The records are made in memory; each stands for an empty
// file in a temporary folder so that the sizes the counters read are real. Prints one JSON object.
int resultsBench(const QStringList &args);
