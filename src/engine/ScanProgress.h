#pragma once

#include <QString>

// What a running scan reports to its sheet. Every call comes on the scan's worker thread (never on
// the main thread), in the order the scan makes it; the sheet copies the values and re-queues them
// to the main thread as its display operations. The defaults do nothing, so a listener (a test,
// the benchmark) overrides only what it needs.
//
// The caption of the progress label is always the text of a language key ("IDS_TWK_35" while files
// are collected, "IDS_TWK_36" while they are grouped), two line breaks, a blank and the percentage
// with "%" (see progressCaption()); the ring shows the same percentage divided by 100. When the
// key's text is empty the label keeps what it shows and only the ring moves.
class ScanProgress
{
public:
    virtual ~ScanProgress() = default;

    // Collection: `collected` records so far (lblTotalSelectedFiles) and the caption of
    // "IDS_TWK_35" with `percent` (processed * 100 / total, 0 while the pre-count is 0).
    virtual void showCollectProgress(qint64 collected, int percent)
    {
        (void)collected;
        (void)percent;
    }
    // A step shown complete: the caption of `captionKey` at 100 %, ring full.
    virtual void showStepComplete(const QString &captionKey) { (void)captionKey; }
    // Collection over: further ring changes are drawn without animation.
    virtual void setRingAnimated(bool animated) { (void)animated; }
    // Grouping begins over `count` files: lblTotalSelectedFiles = count, the caption of
    // "IDS_TWK_36" at 0 %, ring 0, lblFileURL = the text of "IDS_TWK_14".
    virtual void showGroupingStart(qint64 count) { (void)count; }

    // The caption of "IDS_TWK_36" with `percent`, ring percent / 100. Exact grouping sends 0 to 74
    // while digesting and 75 to 99 while pairing; similar grouping sends 0 to 24 while hashing and
    // 25 to 99 while comparing (the comparison calls it only on its paced turns).
    virtual void showGroupingPercent(int percent) { (void)percent; }
    // lbltotalDuplicateFiles = count of files placed in groups so far.
    virtual void showDuplicateCount(qint64 count) { (void)count; }
    // lblProccedFiles = "<done> / <total>" (similar grouping only).
    virtual void showProcessedFiles(qint64 done, qint64 total)
    {
        (void)done;
        (void)total;
    }
    // Similar grouping, one hashing turn: the raw percentage of photos hashed (0 to 99), written as
    // a line to standard output by the sheet. The label and ring get percent / 4 through
    // showGroupingPercent, which follows this call.
    virtual void logHashPercent(int percent) { (void)percent; }
};

// "<text of key>\n\n <percent>%", or the empty text when the key has no text.
QString progressCaption(const QString &captionKey, int percent);
// "<text of key>\n\n 100%" (the same rule).
QString stepCompleteCaption(const QString &captionKey);
