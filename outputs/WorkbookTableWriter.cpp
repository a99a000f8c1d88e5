// The workbook of the examinee table written on both cores: the rows are read and computed on
// the caller's thread while libxlsxwriter formats and writes the ones before on a thread of
// its own. Half of a workbook's time before its packing is the library's number formatting,
// which this way runs beside the reading of the group instead of after each member.

#include "ExamineeTable.h"
#include "Regional.h"
#include "StatisticsTable.h"
#include "VerifiedWrite.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ezr {

namespace {

// A date of the table as a spreadsheet counts days (from 30 December 1899), when it reads.
std::optional<double> dateSerial(QStringView text) {
    if (text.isEmpty())
        return std::nullopt;
    const std::optional<QDate> date = shortDateOf(text);
    if (!date || !date->isValid() || date->year() < 1900)
        return std::nullopt;
    return double(QDate(1899, 12, 30).daysTo(*date));
}

// A row as computed, owning its texts: the member it came from is gone when it is written.
struct PreparedRow {
    std::array<QString, ExamineeTextColumns> texts;
    std::optional<double> dateSerial; // of the date column, when it reads
    std::array<double, ExamineeNumberColumns> numbers{};
    QList<QVariant> quality; // the answer-quality cells after the norm's name
};
using RowBatch = std::vector<PreparedRow>;

// Batches from the reading thread to the writing one; a few in flight at most, so that a
// slow disk holds the reading back instead of filling the memory.
class RowPipe {
public:
    // False when the writer has stopped (failed).
    bool push(RowBatch batch) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return queue_.size() < MaxBatches || stopped_; });
        if (stopped_)
            return false;
        queue_.push_back(std::move(batch));
        changed_.notify_all();
        return true;
    }
    // False at the end of the rows or when abandoned.
    bool pop(RowBatch& batch) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !queue_.empty() || closed_ || stopped_; });
        if (stopped_ || queue_.empty())
            return false;
        batch = std::move(queue_.front());
        queue_.pop_front();
        changed_.notify_all();
        return true;
    }
    void close() {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }
    // The writer failed, or the reading did: nothing more goes through.
    void stop() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        queue_.clear();
        changed_.notify_all();
    }

private:
    static constexpr std::size_t MaxBatches = 4;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<RowBatch> queue_;
    bool closed_ = false;
    bool stopped_ = false;
};

class WorkbookTableWriter final : public ExamineeTableWriter {
public:
    WorkbookTableWriter(ByteSink& sink, const Norm& norm)
        : sink_(sink), norm_(norm), normName_(tableNormName(norm)), columns_(examineeColumns()) {
        book_.startSheet(QStringLiteral("Обследуемые"), int(columns_.size()), true);
        for (const ExamineeColumn& column : columns_)
            book_.text(column.heading, true);
        book_.endRow();
        batch_.reserve(BatchRows);
        writer_ = std::thread([this] { writeRows(); });
    }
    ~WorkbookTableWriter() override { stopWriter(); }
    WorkbookTableWriter(const WorkbookTableWriter&) = delete;
    WorkbookTableWriter& operator=(const WorkbookTableWriter&) = delete;

    void add(const ExamineeRow& examinee) override {
        PreparedRow& row = batch_.emplace_back();
        int c = 0;
        for (QStringView text : examineeRowTexts(examinee)) {
            if (columns_[c++].isDate)
                row.dateSerial = dateSerial(text);
            row.texts[std::size_t(c - 1)] = text.toString();
        }
        row.numbers = examineeRowNumbers(*examinee.results, norm_);
        row.quality = examineeQualityCells(*examinee.results);
        if (batch_.size() == BatchRows)
            send();
    }

    void finish(const AnalysisState& state) override {
        send();
        pipe_.close();
        writer_.join();
        if (failure_)
            std::rethrow_exception(failure_);
        if (state.kind == AnalysisKind::Group) {
            book_.writeSheet(groupSummaryTable(state));
            // The cells tested against the norm, from the sums the run kept.
            if (const std::optional<StatisticsReport> report = groupStatisticsReport(state))
                book_.writeSheet(statisticsSheet(*report));
        }
        book_.finish(sink_);
    }

private:
    static constexpr std::size_t BatchRows = 256;

    void send() {
        if (batch_.empty())
            return;
        if (!pipe_.push(std::move(batch_))) {
            writer_.join();
            std::rethrow_exception(failure_);
        }
        batch_ = RowBatch();
        batch_.reserve(BatchRows);
    }

    void stopWriter() {
        if (!writer_.joinable())
            return;
        pipe_.stop();
        writer_.join();
    }

    // The writing thread's loop; what the library throws is kept for the reading thread.
    void writeRows() {
        try {
            RowBatch batch;
            while (pipe_.pop(batch))
                for (const PreparedRow& row : batch)
                    writeRow(row);
        } catch (...) {
            failure_ = std::current_exception();
            pipe_.stop();
        }
    }

    void writeRow(const PreparedRow& row) {
        int c = 0;
        for (const QString& text : row.texts) {
            if (columns_[c++].isDate && row.dateSerial)
                book_.date(*row.dateSerial, int(text.size()));
            else
                book_.text(text);
        }
        for (double value : row.numbers)
            book_.number(value, columns_[c++].decimals);
        book_.text(normName_);
        ++c;
        for (const QVariant& cell : row.quality) {
            if (cell.typeId() == QMetaType::Double)
                book_.number(cell.toDouble(), columns_[c].decimals);
            else if (cell.isValid())
                book_.text(cell.toString());
            else
                book_.empty();
            ++c;
        }
        book_.endRow();
    }

    WorkbookWriter book_;
    ByteSink& sink_;
    Norm norm_;
    QString normName_;
    QList<ExamineeColumn> columns_;
    RowBatch batch_;
    RowPipe pipe_;
    std::exception_ptr failure_;
    std::thread writer_;
};

} // namespace

std::unique_ptr<ExamineeTableWriter> workbookTableWriter(ByteSink& sink, const Norm& norm) {
    return std::make_unique<WorkbookTableWriter>(sink, norm);
}

} // namespace ezr
