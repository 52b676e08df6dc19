#include "ooxml/worksheet_stream.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "ooxml/worksheet_writer.h"

namespace tallyvane::ooxml {
namespace {

// Writes the rows on a second thread while the package writer compresses
// the pieces already made: serialising and deflating overlap.
class WorksheetStream : public PartStream {
 public:
  explicit WorksheetStream(std::shared_ptr<WorksheetPart> part) : part_(std::move(part)) {}
  ~WorksheetStream() override { Stop(); }

  void Restart() override {
    Stop();
    part_->SplitFrame(&head_, &tail_);
    phase_ = 0;
    queue_.clear();
    finished_ = false;
    stop_ = false;
    error_ = nullptr;
    producer_ = std::thread([this] { Produce(); });
  }

  long long SizeBound() override {
    long long bound = 4096;
    for (const Row& row : part_->Rows()) {
      bound += 48;
      for (const XmlAttr& a : row.attrs) bound += static_cast<long long>(a.name.size() + a.value.size()) * 6 + 4;
      for (const Cell& c : row.cells) {
        bound += 80;  // tags, reference, style, type and a number
        if (!c.extra) continue;
        // Escaping makes text at most six times longer (&quot;).
        bound += 6 * static_cast<long long>(c.extra->formula.text.size() + c.extra->formula.ref.size() +
                                            c.extra->value_text.size() + c.extra->inline_xml.size()) +
                 64;
        for (const XmlAttr& a : c.extra->attrs) bound += static_cast<long long>(a.name.size() + a.value.size()) * 6 + 4;
        for (const XmlAttr& a : c.extra->formula.attrs) {
          bound += static_cast<long long>(a.name.size() + a.value.size()) * 6 + 4;
        }
      }
    }
    std::string head, tail;
    part_->SplitFrame(&head, &tail);
    return bound + static_cast<long long>(head.size() + tail.size());
  }
  bool Next(std::string& out) override {
    switch (phase_) {
      case 0:
        out += head_;
        phase_ = 1;
        return true;
      case 1: {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty() || finished_; });
        if (!queue_.empty()) {
          if (out.empty()) {
            out.swap(queue_.front());
            // The caller's spent buffer goes back to the producer, so that
            // a few large buffers serve the whole part.
            queue_.front().clear();
            spare_.push_back(std::move(queue_.front()));
          } else {
            out += queue_.front();
          }
          queue_.pop_front();
          ready_.notify_all();
          return true;
        }
        if (error_) std::rethrow_exception(error_);
        phase_ = 2;
      }
        [[fallthrough]];
      case 2:
        out += tail_;
        phase_ = 3;
        return true;
      default: return false;
    }
  }

  void Stop() override {
    if (!producer_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    ready_.notify_all();
    producer_.join();
  }

 private:
  void Produce() {
    // Pieces of about 1 MiB keep memory flat and the compressor busy.
    constexpr size_t kPiece = 1 << 20;
    constexpr size_t kQueued = 2;
    try {
      const std::vector<Row>& rows = part_->Rows();
      size_t next = 0;
      while (next < rows.size()) {
        std::string piece;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (!spare_.empty()) {
            piece.swap(spare_.back());
            spare_.pop_back();
          }
        }
        piece.reserve(kPiece + 65536);
        while (next < rows.size() && piece.size() < kPiece) WriteRow(piece, rows[next++], part_->Prefix());
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return stop_ || queue_.size() < kQueued; });
        if (stop_) break;
        queue_.push_back(std::move(piece));
        ready_.notify_all();
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    ready_.notify_all();
  }

  std::shared_ptr<WorksheetPart> part_;
  std::string head_;
  std::string tail_;
  int phase_ = 0;
  std::thread producer_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::string> queue_;
  std::vector<std::string> spare_;
  bool finished_ = false;
  bool stop_ = false;
  std::exception_ptr error_;
};

}  // namespace

std::shared_ptr<PartStream> MakeWorksheetStream(std::shared_ptr<WorksheetPart> part) {
  return std::make_shared<WorksheetStream>(std::move(part));
}

}  // namespace tallyvane::ooxml
