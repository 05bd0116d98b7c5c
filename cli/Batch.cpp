#include "cli/Batch.h"

#include <unistd.h>

#include <simdjson.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/Answers.h"
#include "report/ReportText.h"

namespace solvara {

namespace {

using Json = nlohmann::json;
namespace ondemand = simdjson::ondemand;

// A value as an error message quotes it: short enough to read.
std::string Quote(std::string_view text) {
  return "\"" + std::string(text.size() <= 80 ? text : text.substr(0, 80)) +
         (text.size() <= 80 ? "\"" : "...\"");
}

// Whether text is a number as JSON writes it: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(std::string_view text) {
  size_t at = 0;
  const auto digits = [&] {
    const size_t from = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      ++at;
    }
    return at > from;
  };
  if (at < text.size() && text[at] == '-') {
    ++at;
  }
  if (at < text.size() && text[at] == '0') {
    ++at;
  } else if (!digits()) {
    return false;
  }
  if (at < text.size() && text[at] == '.' && (++at, !digits())) {
    return false;
  }
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
      ++at;
    }
    if (!digits()) {
      return false;
    }
  }
  return at == text.size();
}

// The text of a JSON string from just after its opening quote, where it holds no escape
// (as most do) and so is its own text: read in place, without the parser's copy. The
// parser has checked already that it is closed, UTF-8 and free of control characters.
bool PlainString(const char* first, const char* end, std::string_view& text) {
  // Most are a few bytes long: a plain loop beats two searches.
  for (const char* at = first; at < end; ++at) {
    if (*at == '"') {
      text = std::string_view(first, size_t(at - first));
      return true;
    }
    if (*at == '\\') {
      return false;
    }
  }
  return false;
}

// What is wrong with a line the parser refused, in the words of our messages.
std::string NotJson(simdjson::error_code code) {
  switch (code) {
    case simdjson::UTF8_ERROR:
      return "not JSON: bytes that are not UTF-8";
    case simdjson::UNCLOSED_STRING:
      return "not JSON: a string without its closing quote";
    case simdjson::UNESCAPED_CHARS:
      return "not JSON: a control character inside a string";
    case simdjson::STRING_ERROR:
      return "not JSON: a bad escape sequence in a string";
    case simdjson::NUMBER_ERROR:
      return "not JSON: a malformed number";
    default:
      return "not JSON: the object is not well formed";
  }
}

// A number as the line wrote it and as a double; false when it is too large for one.
bool NumberValue(ondemand::value& value, std::string_view written, double& number,
                 simdjson::error_code& code) {
  ondemand::number parsed;
  code = value.get_number().get(parsed);
  if (code == simdjson::SUCCESS) {
    number = parsed.as_double();
    return true;
  }
  if (!IsJsonNumber(written)) {
    return true;  // code tells the caller it is no number at all
  }
  // Well formed but beyond what the parser takes as it is: integers past 64 bits, or
  // exponents far out. The former are large doubles; of the latter, tiny ones are 0.
  code = simdjson::SUCCESS;
  if (std::from_chars(written.data(), written.data() + written.size(), number).ec ==
      std::errc::result_out_of_range) {
    const size_t e = written.find_first_of("eE");
    if (e == std::string_view::npos || written[e + 1] != '-') {
      return false;
    }
    number = 0;
  }
  return true;
}

}  // namespace

struct TBatchScorer::TState {
  // A reason entry of the compiled card as the results write it.
  struct Reason {
    bool positive;
    // The entry's text as the report's order sees it: minus signs dropped, ASCII in
    // lower case. The report orders by it, then by the entry's own bytes.
    std::string folded;
    std::string text;
    std::string json;  // "Name":points
    uint32_t rank;     // its place in that order among the reasons met so far
  };
  // The reasons one code of an entry gives: ids_[first, first + count).
  struct Known {
    uint32_t first = 0;
    uint16_t count = 0;
    bool done = false;
  };

  // The reasons of an entry's code, worked out on first use: an entry's reasons depend
  // on its code alone. Null for a number past what is kept (scored the long way).
  const Known* Reasons(size_t entry, int32_t code) {
    const std::vector<Known>& list = known[entry];
    const auto at = static_cast<size_t>(code);
    return at < list.size() && list[at].done ? &list[at] : Work(entry, code);
  }
  const Known* Work(size_t entry, int32_t code);
  const TCompiledCard& card = CompiledCreditCard();
  std::vector<std::vector<Known>> known = std::vector<std::vector<Known>>(card.Entries().size());
  std::vector<uint32_t> ids;
  std::vector<Reason> reasons;
  std::vector<uint32_t> ranked;  // ids in the report's order
  std::map<std::string, uint32_t> byText;
  TAnswerScore score;
  std::vector<char> output = std::vector<char>(4096);   // one applicant's results line
  std::vector<uint32_t> positive, negative;             // an applicant's, by id
  std::vector<std::string> positiveText, negativeText;  // the long way's

  ondemand::parser json;
  // The on-demand reader checks only what it walks, and a malformed object can end its
  // walk early without an error ({"salary":"d":1}} was read as one answer): a line it
  // accepts is checked whole by the validating reader before it counts.
  simdjson::dom::parser whole;
  // A line's copy, where it cannot be read in place: a line end after it, and room for
  // what the parser reads past that.
  std::vector<char> line = std::vector<char>(kBatchMaxLine + 1 + simdjson::SIMDJSON_PADDING);
};

TBatchScorer::TBatchScorer(bool engine) : engine_(engine), state_(std::make_unique<TState>()) {}
TBatchScorer::~TBatchScorer() = default;

bool TBatchScorer::ReadLine(std::string_view line, size_t readable, TAnswers& answers,
                            std::string& error) {
  if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
    error = "empty line";
    return false;
  }
  if (line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    error = "not JSON: a byte-order mark, which only the start of the input may have";
    return false;
  }
  if (line.size() > kBatchMaxLine) {
    error = "line longer than " + std::to_string(kBatchMaxLine) + " bytes";
    return false;
  }
  // The parser reads up to SIMDJSON_PADDING bytes past the end. What they hold does not
  // change whether a line is read, but the byte right after it can change which fault a
  // bad line is told: a line end there, always, so that a line reads alike wherever it
  // stands. In a block it mostly is one already.
  const char* text = line.data();
  if (readable < line.size() + simdjson::SIMDJSON_PADDING ||
      (text[line.size()] != '\n' && text[line.size()] != '\r')) {
    std::memcpy(state_->line.data(), line.data(), line.size());
    state_->line[line.size()] = '\n';
    text = state_->line.data();
    readable = state_->line.size();
  }
  ondemand::document document;
  ondemand::object object;
  simdjson::error_code code = state_->json.iterate(text, line.size(), readable).get(document);
  if (code == simdjson::SUCCESS) {
    code = document.get_object().get(object);
  }
  if (code == simdjson::INCORRECT_TYPE) {
    error = Json::accept(line) ? "not a JSON object"
                               : "not JSON: the line does not start with an object";
    return false;
  }
  if (code != simdjson::SUCCESS) {
    error = NotJson(code);
    return false;
  }
  TAnswerReader reader(answers);
  // What a fault of the reader means; shown is the value as the line wrote it.
  const auto fault = [&](AnswerFault what, const TQuestion* question, std::string_view key,
                         std::string_view shown) {
    switch (what) {
      case AnswerFault::None:
        return true;
      case AnswerFault::UnknownKey:
        error = "unknown key " + Quote(key) + "; keys: " + KeyList();
        return false;
      case AnswerFault::GivenTwice:
        error = "key " + Quote(key) + " given twice";
        return false;
      case AnswerFault::BadValue:
        break;
    }
    error =
        "bad value " + Quote(shown) + " for " + Quote(key) + "; accepted: " + Accepted(*question);
    return false;
  };
  const char* const end = text + line.size();
  for (auto member : object) {
    ondemand::field field;
    std::string_view key;
    ondemand::json_type type{};
    if ((code = std::move(member).get(field)) != simdjson::SUCCESS ||
        (!PlainString(field.key().raw(), end, key) &&
         (code = field.unescaped_key().get(key)) != simdjson::SUCCESS) ||
        (code = field.value().type().get(type)) != simdjson::SUCCESS) {
      error = NotJson(code);
      return false;
    }
    ondemand::value& value = field.value();
    const TQuestion* question = nullptr;
    if (type == ondemand::json_type::string) {
      const std::string_view token = value.raw_json_token();
      std::string_view text;
      if (!PlainString(token.data() + 1, token.data() + token.size(), text) &&
          (code = value.get_string().get(text)) != simdjson::SUCCESS) {
        error = NotJson(code);
        return false;
      }
      const AnswerFault put = reader.Put(key, text, question);
      if (!fault(put, question, key, text)) {
        return false;
      }
      continue;
    }
    if (type != ondemand::json_type::number) {
      error = "value of " + Quote(key) + " is not a string or a number";
      return false;
    }
    std::string_view written = value.raw_json_token();
    written = written.substr(0, written.find_last_not_of(" \t\r\n") + 1);
    double number = 0;
    if (!NumberValue(value, written, number, code)) {
      error = FindQuestion(key) == nullptr
                  ? "unknown key " + Quote(key) + "; keys: " + KeyList()
                  : "number " + Quote(written) + " for " + Quote(key) + " is too large";
      return false;
    }
    if (code != simdjson::SUCCESS) {
      error = NotJson(code);
      return false;
    }
    const AnswerFault put = reader.PutNumber(key, number, written, question);
    if (!fault(put, question, key, written)) {
      return false;
    }
  }
  // The object must end the line: what follows it is no part of it.
  if (const auto more = document.current_location(); more.error() == simdjson::SUCCESS) {
    error = "not JSON: more follows the object at byte " +
            std::to_string(more.value_unsafe() - text + 1);
    return false;
  }
  // It refuses integers past 64 bits, which a telephone written as a number may be; JSON
  // has no such bound, so there the line is judged by the other reader.
  code = state_->whole.parse(text, line.size(), false).error();
  if (code != simdjson::SUCCESS && (code != simdjson::NUMBER_ERROR || !Json::accept(line))) {
    error = NotJson(code == simdjson::NUMBER_ERROR ? simdjson::TAPE_ERROR : code);
    return false;
  }
  return true;
}

namespace {

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
  return ScoreLine(line, line.size(), number, out);
}

const TBatchScorer::TState::Known* TBatchScorer::TState::Work(size_t entry, int32_t code) {
  // Numbers (the monthly income) are kept up to here; applicants beyond are rare. Ids
  // and ranks are sorted as 16 bits each (a card of a few hundred rows has fewer reasons).
  constexpr size_t kNumbersKept = size_t{1} << 16;
  std::vector<Known>& list = known[entry];
  const auto at = static_cast<size_t>(code);
  if (reasons.size() + kCardEntriesMax >= 0xFFFF) {
    return nullptr;
  }
  if (at >= list.size()) {
    const size_t values = card.Entries()[entry].Values.size();
    if (at >= (values > 0 ? values : kNumbersKept)) {
      return nullptr;
    }
    list.resize(values > 0 ? values : at + 1);
  }
  Known& slot = list[at];
  if (slot.done) {
    return &slot;
  }
  TCardCodes alone;
  alone.fill(-1);
  alone[entry] = code;
  TCardScore scored;
  card.Score(alone, scored);
  positiveText.clear();
  negativeText.clear();
  card.Reasons(alone, scored, positiveText, negativeText);
  slot.first = static_cast<uint32_t>(ids.size());
  for (const auto* texts : {&positiveText, &negativeText}) {
    for (const std::string& text : *texts) {
      auto [found, added] = byText.emplace(text, static_cast<uint32_t>(reasons.size()));
      if (added) {
        Reason reason{texts == &positiveText, "", text, "", 0};
        for (const char c : text) {
          if (c != '-') {
            reason.folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
          }
        }
        // Names the coding wrote: nothing to escape.
        reason.json =
            "\"" + text.substr(text.find('=') + 1) + "\":" + std::to_string(ReasonPoints(text));
        reasons.push_back(std::move(reason));
      }
      ids.push_back(found->second);
    }
  }
  slot.count = static_cast<uint16_t>(ids.size() - slot.first);
  slot.done = true;
  // New reasons are few (the card has a few hundred rows): rank them all afresh.
  if (reasons.size() != ranked.size()) {
    ranked.resize(reasons.size());
    for (uint32_t id = 0; id < ranked.size(); ++id) {
      ranked[id] = id;
    }
    std::sort(ranked.begin(), ranked.end(), [this](uint32_t a, uint32_t b) {
      const Reason& x = reasons[a];
      const Reason& y = reasons[b];
      return x.folded != y.folded ? x.folded < y.folded : x.text < y.text;
    });
    for (uint32_t place = 0; place < ranked.size(); ++place) {
      reasons[ranked[place]].rank = place;
    }
  }
  return &slot;
}

void TBatchScorer::AppendEngineResults(const TAnswers& answers, std::string& out) {
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
}

bool TBatchScorer::ScoreLine(std::string_view line, size_t readable, uint64_t number,
                             std::string& out) {
  TAnswers answers;
  std::string error;
  if (!ReadLine(line, readable, answers, error)) {
    // A NUL ends the text for many a reader of the line, so it is what a line holding
    // one is told, whatever else is wrong. No line holding one is read without fault.
    if (const void* nul = std::memchr(line.data(), '\0', line.size())) {
      error = "not JSON: a NUL byte at byte " +
              std::to_string(static_cast<const char*>(nul) - line.data() + 1);
    }
    AppendLineError(out, number, error);
    return false;
  }
  if (engine_) {
    AppendEngineResults(answers, out);
    return true;
  }
  TState& state = *state_;
  TAnswerScore& score = state.score;
  ScoreAnswers(state.card, answers, score);
  // The reasons by id, each entry's as its code gives them, unless an error ended the
  // scoring early (then some entries' reasons are missing) or a number is past those kept.
  bool known = score.Score.Failed < 0;
  state.positive.clear();
  state.negative.clear();
  for (size_t entry = 0; known && entry < state.card.Entries().size(); ++entry) {
    if (score.Codes[entry] < 0) {
      continue;
    }
    const TState::Known* reasons = state.Reasons(entry, score.Codes[entry]);
    known = reasons != nullptr;
    for (uint32_t k = 0; known && k < reasons->count; ++k) {
      const uint32_t id = state.ids[reasons->first + k];
      (state.reasons[id].positive ? state.positive : state.negative).push_back(id);
    }
  }
  const int32_t total = score.Score.Total;
  const int32_t cutOff = state.card.CutOff();
  const std::string& rating = RatingWord(total);
  // The line is written into a buffer of its own and appended at once: a few dozen
  // appends to the block's output cost more than the line itself.
  std::vector<char>& buffer = state.output;
  size_t bound = 200 + rating.size();
  for (const auto* ids : {&state.positive, &state.negative}) {
    for (const uint32_t id : *ids) {
      bound += state.reasons[id].json.size() + 1;
    }
  }
  if (!known || bound > buffer.size()) {
    out += "{\"total\":";
    AppendNumber(out, total);
    out += ",\"cutoff\":";
    AppendNumber(out, cutOff);
    out += total >= cutOff ? ",\"accepted\":true" : ",\"accepted\":false";
    out += ",\"rating\":\"";
    out += rating;
    out += "\",\"limit\":";
    // As in the report: no limit without a usable salary.
    if (score.MonthlyIncome > 0) {
      AppendNumber(out, score.CreditLimit);
    } else {
      out += "null";
    }
    state.positiveText.clear();
    state.negativeText.clear();
    state.card.Reasons(score.Codes, score.Score, state.positiveText, state.negativeText);
    out += ",\"positive\":";
    AppendReasons(out, state.positiveText);
    out += ",\"negative\":";
    AppendReasons(out, state.negativeText);
    out += "}\n";
    return true;
  }
  char* at = buffer.data();
  const auto text = [&](std::string_view part) {
    std::memcpy(at, part.data(), part.size());
    at += part.size();
  };
  const auto integer = [&](int64_t value) {
    at = std::to_chars(at, buffer.data() + buffer.size(), value).ptr;
  };
  text("{\"total\":");
  integer(total);
  text(",\"cutoff\":");
  integer(cutOff);
  text(total >= cutOff ? ",\"accepted\":true,\"rating\":\"" : ",\"accepted\":false,\"rating\":\"");
  text(rating);
  text("\",\"limit\":");
  // As in the report: no limit without a usable salary.
  if (score.MonthlyIncome > 0) {
    integer(score.CreditLimit);
  } else {
    text("null");
  }
  // In the report's order, the last first: by rank (known now for all of them), the id
  // beside it in the low bits.
  const auto write = [&](std::vector<uint32_t>& ids) {
    for (uint32_t& id : ids) {
      id |= state.reasons[id].rank << 16;
    }
    std::sort(ids.begin(), ids.end(), std::greater<uint32_t>());
    *at++ = '{';
    for (size_t k = 0; k < ids.size(); ++k) {
      if (k > 0) {
        *at++ = ',';
      }
      text(state.reasons[ids[k] & 0xFFFF].json);
    }
    *at++ = '}';
  };
  text(",\"positive\":");
  write(state.positive);
  text(",\"negative\":");
  write(state.negative);
  text("}\n");
  out.append(buffer.data(), static_cast<size_t>(at - buffer.data()));
  return true;
}

namespace {

// Past this many bytes a block is handed on at the next line end.
constexpr size_t kBlockBytes = size_t{1} << 20;
// What one read asks for.
constexpr size_t kReadBytes = size_t{1} << 16;
// A block's text: whole lines short of kBlockBytes, the line being read (one byte more
// than the longest kept, for the CR of a CR LF), one read, and what the parser may read
// past a line's end.
constexpr size_t kBlockCapacity =
    kBlockBytes + kBatchMaxLine + 1 + kReadBytes + simdjson::SIMDJSON_PADDING;

// A run of whole lines on its way from the reader through a worker to the writer. The
// lines stay where they were read: [Begin, End) of text, without their line ends.
struct Block {
  struct Line {
    uint32_t Begin;
    uint32_t End;
  };
  static constexpr uint32_t kOverlong = UINT32_MAX;  // a Begin: refused for its length

  uint64_t seq = 0;
  uint64_t firstLine = 0;
  // Not value-initialised: only the pages the input reaches are touched.
  std::unique_ptr<char[]> text{new char[kBlockCapacity]};
  size_t size = 0;
  std::vector<Line> lines;
  std::string out;
  bool bad = false;
};

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
      // Once, so that the blocks' memory is taken at the start and then only reused.
      block.lines.reserve(options_.BlockLines);
      block.out.reserve(std::min(options_.BlockLines * size_t{320}, kBlockBytes * 2));
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
    block->size = 0;
    block->lines.clear();
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
    Block* block = TakeFree();
    if (block == nullptr) {
      return;
    }
    uint64_t number = 1;  // of the line being read
    block->firstLine = number;
    size_t lineStart = 0;   // where the line being read begins in the block
    size_t scanned = 0;     // up to where the block has been searched for line ends
    bool skipping = false;  // inside a line too long to keep: its bytes are dropped
    // Ends the line being read at end, its line end (if any) excluded.
    const auto endLine = [&](size_t end) {
      if (!skipping && end - lineStart > kBatchMaxLine) {
        skipping = true;
      }
      block->lines.push_back({skipping ? Block::kOverlong : static_cast<uint32_t>(lineStart),
                              static_cast<uint32_t>(end)});
      skipping = false;
      ++number;
    };
    for (;;) {
      const ssize_t n = ::read(in_, block->text.get() + block->size, kReadBytes);
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n < 0) {
        return Fail(SystemError("cannot read standard input"));
      }
      if (n == 0) {
        break;
      }
      block->size += static_cast<size_t>(n);
      for (;;) {
        char* const text = block->text.get();
        const auto* newline =
            static_cast<const char*>(std::memchr(text + scanned, '\n', block->size - scanned));
        if (newline == nullptr) {
          // One byte more than the longest line may be the CR of a CR LF.
          skipping |= block->size - lineStart > kBatchMaxLine + 1;
          scanned = block->size = skipping ? lineStart : block->size;
          break;
        }
        const size_t end = static_cast<size_t>(newline - text);
        endLine(end > lineStart && text[end - 1] == '\r' ? end - 1 : end);
        lineStart = scanned = end + 1;
        if (block->lines.size() >= options_.BlockLines || lineStart >= kBlockBytes) {
          Block* next = TakeFree();
          if (next == nullptr) {
            return;
          }
          // The rest of the read begins the next block.
          next->size = block->size - lineStart;
          std::memcpy(next->text.get(), text + lineStart, next->size);
          next->firstLine = number;
          block->size = lineStart;
          Hand(block);
          block = next;
          lineStart = scanned = 0;
        }
      }
    }
    if (block->size > lineStart || skipping) {
      endLine(block->size);  // a last line without its line end
    }
    if (!block->lines.empty()) {
      Hand(block);
    } else {
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
      block->bad = false;
      for (size_t k = 0; k < block->lines.size(); ++k) {
        const uint64_t number = block->firstLine + k;
        const Block::Line line = block->lines[k];
        if (line.Begin == Block::kOverlong) {
          AppendLineError(block->out, number,
                          "line longer than " + std::to_string(kBatchMaxLine) + " bytes");
          block->bad = true;
          continue;
        }
        std::string_view text(block->text.get() + line.Begin, line.End - line.Begin);
        // A byte-order mark is the input's, at its very start, and no line's.
        if (number == 1 && text.substr(0, 3) == "\xEF\xBB\xBF") {
          text.remove_prefix(3);
        }
        const size_t readable =
            kBlockCapacity - static_cast<size_t>(text.data() - block->text.get());
        block->bad |= !scorer.ScoreLine(text, readable, number, block->out);
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
      lines += block->lines.size();
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
