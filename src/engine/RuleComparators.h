#pragma once

#include "engine/AutoMarkAccessors.h"
#include "engine/AutoMarkRules.h"
#include "model/ImageFile.h"

#include <QString>

#include <unordered_map>
#include <vector>

// The per-rule comparison of automatic marking: which candidates of one group are best under one
// rule. Candidates are positions in the group; the answer is a subset of them in their order,
// unprotected files only, empty when the rule decides nothing for the group.
//
// Value rules (dimensions, resolution, size, capture and modification date) gather one record per
// candidate that has the rule's value, find the best record by a chain of strictly better records
// (among equals the earliest stays best) and name every unprotected candidate whose value reaches
// the best. Protected files take part in finding the best but are never named. Filter rules
// (Photos library, file format, folder, metadata) name the unprotected candidates that pass.
//
// Main thread (or any one thread at a time): it caches the normalised folders it has seen.
class RuleComparators
{
public:
    RuleComparators(AutoMarkRules rules, AutoMarkAccessors accessors);

    const AutoMarkRules &rules() const { return rules_; }
    const AutoMarkAccessors &accessors() const { return accessors_; }

    // The candidates that are best under the rule at `rule` of the order. Empty for a position
    // outside the order, for `none`, and when no candidate has a usable value or passes. Candidate
    // positions outside the group are ignored.
    std::vector<int> selectBestCandidates(int rule, const ImageGroup &group, const std::vector<int> &candidates) const;

    // A folder in one canonical form: a file URL text or a path, turned into a path, cleaned, with
    // symbolic links resolved when it exists, and ending in exactly one "/". Empty for an empty
    // text or a URL that is not a local file.
    static QString normalizedFolder(const QString &urlOrPath);

private:
    AutoMarkRules rules_;
    AutoMarkAccessors accessors_;
    QString formatTarget_; // lower-cased extension of the first-ranked format, or ""
    QString folderTarget_; // normalised first-ranked folder, or "" (nothing passes)
    QString libraryRoot_;  // lower-cased library root URL text
    mutable std::unordered_map<QString, QString> folderCache_;

    std::vector<int> byDimension(const ImageGroup &, const std::vector<int> &) const;
    std::vector<int> byResolution(const ImageGroup &, const std::vector<int> &) const;
    std::vector<int> bySize(const ImageGroup &, const std::vector<int> &) const;
    std::vector<int> byDate(const ImageGroup &, const std::vector<int> &, bool capture, int direction) const;
    std::vector<int> byPhotosLibrary(const ImageGroup &, const std::vector<int> &) const;
    std::vector<int> byFileFormat(const ImageGroup &, const std::vector<int> &) const;
    std::vector<int> byFolder(const ImageGroup &, const std::vector<int> &) const;
    std::vector<int> byMetadata(const ImageGroup &, const std::vector<int> &) const;
    // Appends `item` to `named` when its file is unprotected and its image metadata holds a tag.
    void markIfHasMetadata(const ImageGroup &group, int item, std::vector<int> &named) const;
    QString folderOf(const ImageFile &file) const;
};
