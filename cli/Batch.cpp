#include "cli/Batch.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/Answers.h"
#include "report/ReportText.h"

namespace solvara {

namespace {

using Json = nlohmann::json;

// A value as an error message quotes it: short enough to read.
std::string Quote(const std::string& text) {
  return "\"" + (text.size() <= 80 ? text : text.substr(0, 80) + "...") + "\"";
}

// Reads one line's object into a record as the parser walks it, and stops at the first
// fault, keeping its message.
class LineReader {
 public:
  explicit LineReader(TAnswers& answers) : reader_(answers) {}

  bool null() { return NotTextOrNumber(); }
  bool boolean(bool) { return NotTextOrNumber(); }
  bool number_integer(Json::number_integer_t value) { return Put(std::to_string(value)); }
  bool number_unsigned(Json::number_unsigned_t value) { return Put(std::to_string(value)); }
  // As written, so that 25000.99 reaches the salary as typed.
  bool number_float(Json::number_float_t, const Json::string_t& text) { return Put(text); }
  bool string(Json::string_t& value) { return Put(value); }
  bool binary(Json::binary_t&) { return NotTextOrNumber(); }
  bool start_object(std::size_t) { return inObject_ ? NotTextOrNumber() : (inObject_ = true); }
  bool key(Json::string_t& key) {
    key_ = key;
    return true;
  }
  bool end_object() { return true; }
  bool start_array(std::size_t) { return NotTextOrNumber(); }
  bool end_array() { return true; }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception& ex) {
    // "[json.exception.parse_error.101] parse error at line 1, column 5: syntax error ..."
    const std::string what = ex.what();
    const size_t colon = what.find(": ", what.find("column"));
    return Fail("not JSON at byte " + std::to_string(position) + ": " +
                (colon == std::string::npos ? what : what.substr(colon + 2)));
  }

  std::string error;

 private:
  bool Fail(std::string message) {
    if (error.empty()) {
      error = std::move(message);
    }
    return false;
  }
  bool NotTextOrNumber() {
    return Fail(inObject_ ? "value of " + Quote(key_) + " is not a string or a number"
                          : "not a JSON object");
  }
  bool Put(const std::string& value) {
    if (!inObject_) {
      return Fail("not a JSON object");
    }
    const TQuestion* question = nullptr;
    switch (reader_.Put(key_, value, question)) {
      case AnswerFault::None:
        return true;
      case AnswerFault::UnknownKey:
        return Fail("unknown key " + Quote(key_) + "; keys: " + KeyList());
      case AnswerFault::GivenTwice:
        return Fail("key " + Quote(key_) + " given twice");
      case AnswerFault::BadValue:
        break;
    }
    return Fail("bad value " + Quote(value) + " for " + Quote(key_) +
                "; accepted: " + Accepted(*question));
  }

  TAnswerReader reader_;
  bool inObject_ = false;
  std::string key_;
};

void AppendNumber(std::string& out, int64_t number) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

// The reasons as {"Name":points,...}, in the order the report takes them.
void AppendReasons(std::string& out, std::vector<std::string>& reasons) {
  SortReasonsAsText(reasons);
  out += '{';
  for (auto entry = reasons.rbegin(); entry != reasons.rend(); ++entry) {
    if (entry != reasons.rbegin()) {
      out += ',';
    }
    out += '"';
    out.append(*entry, entry->find('=') + 1);  // names the coding wrote: nothing to escape
    out += "\":";
    AppendNumber(out, ReasonPoints(*entry));
  }
  out += '}';
}

}  // namespace

void AppendLineError(std::string& out, uint64_t number, const std::string& message) {
  // The parser's message quotes what it read, which can be a whole line.
  constexpr size_t kLongest = 512;
  out += "{\"line\":";
  AppendNumber(out, static_cast<int64_t>(number));
  out += ",\"error\":";
  // The message may quote bytes of the line that are not UTF-8.
  out += Json(message.size() <= kLongest ? message : message.substr(0, kLongest) + "...")
             .dump(-1, ' ', false, Json::error_handler_t::replace);
  out += "}\n";
}

bool TBatchScorer::ScoreLine(std::string_view line, uint64_t number, std::string& out) {
  if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
    AppendLineError(out, number, "empty line");
    return false;
  }
  TAnswers answers;
  LineReader reader(answers);
  if (!Json::sax_parse(line.begin(), line.end(), &reader) || !reader.error.empty()) {
    AppendLineError(out, number, reader.error.empty() ? "not JSON" : reader.error);
    return false;
  }
  const int32_t income = ScoreApplicant(card_, answers, names_, values_);

  out += "{\"total\":";
  AppendNumber(out, card_.TotalScore);
  out += ",\"cutoff\":";
  AppendNumber(out, card_.CutOff);
  out += card_.TotalScore >= card_.CutOff ? ",\"accepted\":true" : ",\"accepted\":false";
  out += ",\"rating\":\"";
  out += RatingWord(card_.TotalScore);
  out += "\",\"limit\":";
  // As in the report: no limit without a usable salary.
  if (income > 0) {
    AppendNumber(out, card_.CreditLimit(income));
  } else {
    out += "null";
  }
  out += ",\"positive\":";
  AppendReasons(out, card_.PositiveReasons);
  out += ",\"negative\":";
  AppendReasons(out, card_.NegativeReasons);
  out += "}\n";
  return true;
}

namespace {

// A run of whole lines on its way from the reader through a worker to the writer.
struct Block {
  uint64_t seq = 0;
  uint64_t firstLine = 0;
  std::string text;
  std::vector<size_t> ends;      // where each line ends in text
  std::vector<size_t> overlong;  // lines refused for their length (their text is dropped)
  std::string out;
  bool bad = false;
};

// Past this many bytes a block is handed on at the next line end.
constexpr size_t kBlockBytes = size_t{1} << 20;

std::string SystemError(const char* what) {
  return std::string("solvara-report: ") + what + ": " + std::strerror(errno) + "\n";
}

bool WriteAll(int fd, const std::string& data) {
  for (size_t done = 0; done < data.size();) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// One reader (the calling thread), workers and one writer around a fixed set of
// blocks: a block goes back to the reader only once written, so memory stays bounded
// whatever the input, and the writer takes blocks in the order they were read.
class Pipeline {
 public:
  Pipeline(int in, int out, int err, const TBatchOptions& options)
      : in_(in), out_(out), err_(err), options_(options) {
    const unsigned cores = std::thread::hardware_concurrency();
    workers_ = options.Workers > 0 ? options.Workers : cores > 0 ? cores : 1;
    blocks_.resize(2 * workers_ + 2);
    done_.assign(blocks_.size(), nullptr);
    for (Block& block : blocks_) {
      free_.push_back(&block);
    }
  }

  int Run() {
    std::vector<std::thread> threads;
    for (unsigned k = 0; k < workers_; ++k) {
      threads.emplace_back([this] { Work(); });
    }
    threads.emplace_back([this] { Write(); });
    Read();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      readDone_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads) {
      thread.join();
    }
    if (!failure_.empty()) {
      WriteAll(err_, failure_);
      return 1;
    }
    return anyBad_ ? 3 : 0;
  }

 private:
  void Fail(std::string message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure_.empty()) {
      failure_ = std::move(message);
    }
    changed_.notify_all();
  }

  Block* TakeFree() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty() || !failure_.empty(); });
    if (!failure_.empty()) {
      return nullptr;
    }
    Block* block = free_.front();
    free_.pop_front();
    return block;
  }

  void Hand(Block* block) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      block->seq = read_++;
      work_.push_back(block);
    }
    changed_.notify_all();
  }

  void Read() {
    std::vector<char> buffer(size_t{1} << 18);
    Block* block = nullptr;
    size_t lineStart = 0;
    bool skipping = false;  // inside a line too long to keep
    uint64_t line = 1;
    const auto endLine = [&] {
      if (skipping) {
        block->overlong.push_back(block->ends.size());
      }
      block->ends.push_back(block->text.size());
      lineStart = block->text.size();
      skipping = false;
      ++line;
      if (block->ends.size() >= options_.BlockLines || block->text.size() >= kBlockBytes) {
        Hand(block);
        block = nullptr;
      }
    };
    for (;;) {
      const ssize_t n = ::read(in_, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n < 0) {
        return Fail(SystemError("cannot read standard input"));
      }
      if (n == 0) {
        break;
      }
      for (const char *p = buffer.data(), *end = p + n; p < end;) {
        if (block == nullptr) {
          if ((block = TakeFree()) == nullptr) {
            return;
          }
          block->text.clear();
          block->text.reserve(kBlockBytes + kBatchMaxLine);
          block->ends.clear();
          block->overlong.clear();
          block->firstLine = line;
          lineStart = 0;
        }
        const auto* newline = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        const char* stop = newline != nullptr ? newline : end;
        if (!skipping) {
          block->text.append(p, stop);
          if (block->text.size() - lineStart > kBatchMaxLine) {
            block->text.resize(lineStart);
            skipping = true;
          }
        }
        p = stop;
        if (newline != nullptr) {
          ++p;
          endLine();
        }
      }
    }
    if (block != nullptr && (block->text.size() > lineStart || skipping)) {
      endLine();  // a last line without its line end
    }
    if (block != nullptr && !block->ends.empty()) {
      Hand(block);
    } else if (block != nullptr) {
      std::lock_guard<std::mutex> lock(mutex_);
      free_.push_back(block);
    }
  }

  void Work() {
    TBatchScorer scorer;
    for (;;) {
      Block* block = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !work_.empty() || readDone_ || !failure_.empty(); });
        if (work_.empty() || !failure_.empty()) {
          return;
        }
        block = work_.front();
        work_.pop_front();
      }
      block->out.clear();
      block->out.reserve(block->text.size() + 256 * block->ends.size());
      block->bad = false;
      size_t start = 0;
      auto overlong = block->overlong.begin();
      for (size_t k = 0; k < block->ends.size(); ++k) {
        const uint64_t number = block->firstLine + k;
        if (overlong != block->overlong.end() && *overlong == k) {
          AppendLineError(block->out, number,
                          "line longer than " + std::to_string(kBatchMaxLine) + " bytes");
          block->bad = true;
          ++overlong;
        } else {
          const std::string_view line(block->text.data() + start, block->ends[k] - start);
          block->bad |= !scorer.ScoreLine(line, number, block->out);
        }
        start = block->ends[k];
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        done_[block->seq % done_.size()] = block;
      }
      changed_.notify_all();
    }
  }

  void Write() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point shown = start;
    bool showing = false;
    uint64_t lines = 0;
    const auto progress = [&](Clock::time_point now) {
      const double seconds = std::chrono::duration<double>(now - start).count();
      const std::string text = "\rsolvara-report: " + std::to_string(lines) + " applicants, " +
                               std::to_string(static_cast<uint64_t>(lines / seconds)) +
                               " a second ";
      WriteAll(err_, text);
      showing = true;
      shown = now;
    };
    for (uint64_t next = 0;; ++next) {
      Block* block = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        Block*& slot = done_[next % done_.size()];
        changed_.wait(lock, [&] {
          return slot != nullptr || (readDone_ && next == read_) || !failure_.empty();
        });
        if (slot == nullptr || !failure_.empty()) {
          break;
        }
        block = slot;
        slot = nullptr;
      }
      if (!WriteAll(out_, block->out)) {
        return Fail(SystemError("cannot write standard output"));
      }
      anyBad_ |= block->bad;
      lines += block->ends.size();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(block);
      }
      changed_.notify_all();
      // Only a run that lasts is worth a progress line, and only on a terminal.
      const Clock::time_point now = Clock::now();
      if (options_.Progress && now - start >= std::chrono::seconds(1) &&
          now - shown >= std::chrono::milliseconds(250)) {
        progress(now);
      }
    }
    if (showing) {
      progress(Clock::now());
      WriteAll(err_, "\n");
    }
  }

  const int in_;
  const int out_;
  const int err_;
  const TBatchOptions options_;
  unsigned workers_ = 1;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Block> blocks_;
  std::deque<Block*> free_;
  std::deque<Block*> work_;
  std::vector<Block*> done_;  // finished blocks by their sequence number, modulo its size
  uint64_t read_ = 0;         // blocks handed on so far
  bool readDone_ = false;
  std::string failure_;
  bool anyBad_ = false;  // the writer's alone
};

}  // namespace

int RunBatch(int in, int out, int err, const TBatchOptions& options) {
  return Pipeline(in, out, err, options).Run();
}

}  // namespace solvara
