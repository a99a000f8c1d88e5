#include "ExamineeOrder.h"

#include "ExamineeListModel.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <numeric>

using namespace ezr;

void ExamineeRows::append(const QList<ExamineeEntry>& batch) {
    if (batch.isEmpty())
        return;
    starts_.push_back(size_);
    batches_.append(batch);
    size_ += int(batch.size());
}

const ExamineeEntry& ExamineeRows::operator[](int row) const {
    // The last batch starting at or before `row`.
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), row);
    const auto batch = qsizetype(after - starts_.begin()) - 1;
    return batches_[batch][row - starts_[std::size_t(batch)]];
}

bool chooses(const RowChoice& choice, const ExamineeEntry& entry) {
    if (!choice.marked.isEmpty() && entry.fileName == choice.marked)
        return true;
    if (!entry.readable()) {
        MemberFilter withoutText = choice.filter;
        withoutText.text.clear();
        return withoutText.choosesAll() && !choice.onlyDoubtful &&
               entry.fileName.contains(choice.filter.text.trimmed(), Qt::CaseInsensitive);
    }
    if (choice.onlyDoubtful && !entry.quality.doubtful())
        return false;
    return matches(choice.filter, entry.header, entry.age);
}

namespace {

// What the rows of a column are sorted by, computed once a row: numbers (dates and ages as
// values, an unknown one first; codes that are numbers: "99" before "101") before texts,
// texts without regard to case.
struct SortKey {
    bool isText = false;
    qint64 number = 0;
    QString text;
    friend bool operator<(const SortKey& a, const SortKey& b) {
        if (a.isText != b.isText)
            return b.isText;
        return a.isText ? a.text < b.text : a.number < b.number;
    }
};

SortKey textKey(const QString& text) {
    bool isNumber = false;
    const qint64 number = text.toLongLong(&isNumber);
    if (isNumber)
        return {false, number, {}};
    return {true, 0, text.toCaseFolded()};
}

SortKey sortKey(int column, const ExamineeEntry& e) {
    switch (ExamineeListModel::Column(column)) {
    case ExamineeListModel::FileColumn:
        return textKey(e.fileName);
    case ExamineeListModel::CodeColumn:
        return textKey(e.header.code);
    case ExamineeListModel::NameColumn:
        return textKey(e.header.name);
    case ExamineeListModel::SexColumn:
        return textKey(e.header.sex);
    case ExamineeListModel::EducationColumn:
        return textKey(e.header.education);
    case ExamineeListModel::DateColumn:
        return {false, e.testDate.isValid() ? e.testDate.toJulianDay() : LLONG_MIN, {}};
    case ExamineeListModel::AgeColumn:
        return {false, e.age.value_or(-1), {}};
    case ExamineeListModel::ProblemColumn:
        return textKey(e.problem);
    case ExamineeListModel::QualityColumn:
        // The doubtful first when sorted descending: by how many thresholds were passed.
        return {false, std::popcount(unsigned(e.quality.doubts)), {}};
    case ExamineeListModel::ColumnCount:
        break;
    }
    return {};
}

// How often the loops over every row look whether they are still wanted.
constexpr int StopCheckRows = 4096;

// The rows sorted rising by `column`; equal values in file name order (`byName`, the place of
// each row by file name, empty for the file column itself), then in listing order.
std::optional<std::vector<int>> columnOrder(const ExamineeRows& rows, int column,
                                            const std::vector<int>& byName,
                                            const std::atomic<bool>& stop) {
    std::vector<SortKey> keys;
    keys.reserve(std::size_t(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        if (row % StopCheckRows == 0 && stop.load(std::memory_order_relaxed))
            return std::nullopt;
        keys.push_back(sortKey(column, rows[row]));
    }
    std::vector<int> order(std::size_t(rows.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const SortKey& x = keys[std::size_t(a)];
        const SortKey& y = keys[std::size_t(b)];
        if (x < y)
            return true;
        if (y < x)
            return false;
        if (!byName.empty() && byName[std::size_t(a)] != byName[std::size_t(b)])
            return byName[std::size_t(a)] < byName[std::size_t(b)];
        return a < b;
    });
    return order;
}

// The order of `column` for `request.rows`, computed (with the file name order it needs) unless
// the request already knows it; kept in `request.known`.
bool ensureOrder(ArrangeRequest& request, int column, const std::atomic<bool>& stop) {
    request.known.resize(ExamineeListModel::ColumnCount);
    if (request.known[std::size_t(column)])
        return true;
    std::vector<int> byName;
    if (column != ExamineeListModel::FileColumn) {
        if (!ensureOrder(request, ExamineeListModel::FileColumn, stop))
            return false;
        const std::vector<int>& names = *request.known[ExamineeListModel::FileColumn];
        byName.resize(names.size());
        for (std::size_t place = 0; place < names.size(); ++place)
            byName[std::size_t(names[place])] = int(place);
    }
    std::optional<std::vector<int>> order = columnOrder(request.rows, column, byName, stop);
    if (!order)
        return false;
    request.known[std::size_t(column)] =
        std::make_shared<const std::vector<int>>(std::move(*order));
    return true;
}

} // namespace

std::optional<Arrangement> arrange(ArrangeRequest request, const std::atomic<bool>& stop) {
    const int count = request.rows.size();
    const bool sorted = request.column >= 0 && request.column < ExamineeListModel::ColumnCount;
    if (sorted && !ensureOrder(request, request.column, stop))
        return std::nullopt;
    const std::vector<int>* order =
        sorted ? request.known[std::size_t(request.column)].get() : nullptr;
    Arrangement result;
    result.covered = count;
    for (int place = 0; place < count; ++place) {
        if (place % StopCheckRows == 0 && stop.load(std::memory_order_relaxed))
            return std::nullopt;
        int row = place;
        if (order)
            row = (*order)[std::size_t(request.order == Qt::AscendingOrder ? place
                                                                           : count - 1 - place)];
        if (chooses(request.choice, request.rows[row]))
            result.shown.push_back(row);
    }
    result.known = std::move(request.known);
    return result;
}
