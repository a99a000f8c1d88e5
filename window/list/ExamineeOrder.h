#pragma once

#include "ExamineeListing.h"
#include "MemberFilter.h"

#include <QList>
#include <Qt>

#include <atomic>
#include <memory>
#include <vector>

// The entries of a folder in the batches they were read in. A batch is never changed once it
// is added, so a copy of the whole costs no more than its short list of batches, and such a
// copy can be read on another thread while further batches come in.
class ExamineeRows {
public:
    void append(const QList<ExamineeEntry>& batch);
    int size() const { return size_; }
    const ExamineeEntry& operator[](int row) const;

private:
    QList<QList<ExamineeEntry>> batches_;
    std::vector<int> starts_; // the first row of each batch
    int size_ = 0;
};

// What chooses the rows shown: the filter's fields, and the entry a group run stopped at,
// which is never filtered out.
struct RowChoice {
    ezr::MemberFilter filter;
    bool onlyDoubtful = false; // only the examinees whose answers ask for a look
    QString marked;
};

// Whether `choice` shows `entry`. Nothing of an entry that cannot be read is known but its
// name: it is shown when only a text is looked for and its file name holds it.
bool chooses(const RowChoice& choice, const ExamineeEntry& entry);

// The rows in the order of one column, rising; computed once for the rows as they stand, so
// that a new filter or the opposite direction costs one pass over them.
using ColumnOrder = std::shared_ptr<const std::vector<int>>;

// A new choice or order of the shown rows, computed from values alone: on a worker thread for a
// large folder, so that the window never waits for it.
struct ArrangeRequest {
    ExamineeRows rows;
    RowChoice choice;
    int column = -1; // -1: the order the folder was listed in
    Qt::SortOrder order = Qt::AscendingOrder;
    std::vector<ColumnOrder> known; // per column, the orders already computed for `rows`
};

struct Arrangement {
    std::vector<int> shown;         // the rows of `rows` shown, in order
    int covered = 0;                // the rows it was computed over
    std::vector<ColumnOrder> known; // the orders known afterwards, to be kept for the next one
};

// The arrangement asked for; an empty optional when `stop` became true meanwhile, because a
// newer request has superseded this one.
std::optional<Arrangement> arrange(ArrangeRequest request, const std::atomic<bool>& stop);
