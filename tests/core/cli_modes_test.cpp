// solvara-report's --explain and --batch on generated applicants: the ledger adds up,
// the ways forward are the first least sets of possible moves (checked against every set
// the rules allow), and the threaded batch writes what scoring one line at a time
// writes, in order.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bitset>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <tuple>

#include "cli/Answers.h"
#include "cli/Batch.h"
#include "questionnaire/AnswerCoding.h"
#include "report/Explain.h"

namespace solvara {
namespace {

// Every answer a question can be given, as the command line words it; "" for a choice
// left unanswered. Texts: a few that matter to the coding.
std::vector<std::string> Words(const TQuestion& question) {
  std::vector<std::string> words;
  if (question.Kind == QuestionKind::Text) {
    return {"", " ", "0123", "\u00A330,000", "18000"};
  }
  if (question.Kind == QuestionKind::Choice) {
    for (const TChoice& choice : question.Choices) {
      words.emplace_back(choice.Word);
    }
    return words;
  }
  for (int32_t value = question.Low; value <= question.High; ++value) {
    words.push_back(std::to_string(value));
  }
  return words;
}

// A random applicant: each question answered with probability 3/4.
std::vector<std::pair<std::string, std::string>> Applicant(std::mt19937& random) {
  std::vector<std::pair<std::string, std::string>> given;
  for (const TQuestion& question : Questions()) {
    const std::vector<std::string> words = Words(question);
    if (random() % 4 != 0) {
      given.emplace_back(question.Key, words[random() % words.size()]);
    }
  }
  return given;
}

TAnswers AnswersOf(const std::vector<std::pair<std::string, std::string>>& given) {
  TAnswers answers;
  TAnswerReader reader(answers);
  const TQuestion* question = nullptr;
  for (const auto& [key, value] : given) {
    EXPECT_EQ(reader.Put(key, value, question), AnswerFault::None) << key << "=" << value;
  }
  return answers;
}

// On the compiled card: the brute force below scores hundreds of thousands of sets, and
// the explanation scores on the engine.
int32_t Total(const TAnswers& answers) {
  TAnswerScore score;
  ScoreAnswers(CompiledCreditCard(), answers, score);
  return score.Score.Total;
}

// Every set of moves the question table's rules allow, tried whole: for each set of
// questions changed by acting (bit k: the k-th of them), the highest total of at most
// maxSize changes. The moves of a question are one of each coding.
struct BruteForce {
  std::vector<const TQuestion*> acting;
  std::vector<std::vector<TAnswerValue>> moves;
  std::vector<int32_t> best;

  BruteForce(const TAnswers& answers, size_t maxSize) {
    std::vector<std::string> names, values;
    int32_t income = 0;
    for (const TQuestion& question : Questions()) {
      if (question.Change.Kind != ChangeKind::ByActing) {
        continue;
      }
      acting.push_back(&question);
      std::set<std::vector<std::string>> seen;
      BuildUpValues(answers, names, values, income);
      seen.insert(values);
      moves.emplace_back();
      for (const std::string& word : Words(question)) {
        TAnswers changed = answers;
        const TQuestion* put = nullptr;
        TAnswerReader(changed).Put(question.Key, word, put);
        const bool text = question.Kind == QuestionKind::Text;
        const TAnswerValue to{AnswerValue(question, changed),
                              text ? AnswerText(question, changed) : ""};
        changed = answers;
        ApplyMove(question, changed, to);
        BuildUpValues(changed, names, values, income);
        if (MovePossible(question, answers, to) && seen.insert(values).second) {
          moves.back().push_back(to);
        }
      }
    }
    best.assign(size_t{1} << acting.size(), INT32_MIN);
    Try(0, answers, 0, maxSize);
  }
  void Try(size_t k, const TAnswers& answers, uint32_t set, size_t left) {
    if (k == acting.size()) {
      best[set] = std::max(best[set], Total(answers));
      return;
    }
    Try(k + 1, answers, set, left);
    for (size_t m = 0; left > 0 && m < moves[k].size(); ++m) {
      TAnswers changed = answers;
      ApplyMove(*acting[k], changed, moves[k][m]);
      Try(k + 1, changed, set | 1u << k, left - 1);
    }
  }
  int32_t Majors(uint32_t set) const {
    int32_t majors = 0;
    for (size_t k = 0; k < acting.size(); ++k) {
      majors += (set >> k & 1) != 0 && acting[k]->Change.Cost == Effort::Major;
    }
    return majors;
  }
};

// Checks the ways forward against the brute force: each way is made of possible moves,
// scores its total on the card and is a least set that reaches; the ways are the first
// least sets by size, major changes and total, and there are fewer than three only where
// no other exists; the waiting way is the fewest years that reach.
void CheckWays(const TAnswers& answers) {
  const TExplanation e = Explain(answers, TCCScore());
  int32_t sum = e.Base;  // the ledger adds up to the card's total
  for (const TLedgerRow& row : e.Ledger) {
    sum += row.Points;
  }
  ASSERT_TRUE(sum == Total(answers) && e.Total == sum) << ExplanationText(e);
  const auto addsUp = [&e](const TWay& way) {
    int32_t total = e.Total;
    for (const TAnswerChange& change : way.Changes) {
      total += change.Points;
    }
    return total == way.Total;
  };
  const size_t maxSize = e.Ways.size() == 3 ? e.Ways[2].Changes.size() : Questions().size();
  const BruteForce brute(answers, e.Total >= e.CutOff ? 0 : maxSize);
  std::vector<uint32_t> least;
  for (uint32_t set = 1; set < brute.best.size(); ++set) {
    bool smaller = false;  // a proper subset that reaches
    for (uint32_t sub = (set - 1) & set; sub != 0 && !smaller; sub = (sub - 1) & set) {
      smaller = brute.best[sub] >= e.CutOff;
    }
    if (brute.best[set] >= e.CutOff && !smaller) {
      least.push_back(set);
    }
  }
  const auto key = [&](uint32_t set) {
    return std::make_tuple(std::bitset<32>(set).count(), brute.Majors(set), -brute.best[set]);
  };
  std::sort(least.begin(), least.end(), [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
  ASSERT_EQ(e.Ways.size(), std::min<size_t>(least.size(), 3)) << ExplanationText(e);
  for (size_t w = 0; w < e.Ways.size(); ++w) {
    TAnswers changed = answers;
    uint32_t set = 0;
    for (const TAnswerChange& change : e.Ways[w].Changes) {
      const auto at = std::find(brute.acting.begin(), brute.acting.end(), change.Question);
      ASSERT_NE(at, brute.acting.end()) << change.Question->Key;
      EXPECT_TRUE(MovePossible(*change.Question, answers, change.Answer)) << change.Question->Key;
      ApplyMove(*change.Question, changed, change.Answer);
      set |= 1u << (at - brute.acting.begin());
    }
    EXPECT_TRUE(Total(changed) == e.Ways[w].Total && addsUp(e.Ways[w])) << ExplanationText(e);
    EXPECT_NE(std::find(least.begin(), least.end(), set), least.end()) << ExplanationText(e);
    EXPECT_EQ(key(set), key(least[w])) << ExplanationText(e);
  }
  for (const TAnswerChange& cost : e.Costs) {  // nothing the person could not give
    const ChangeKind kind = cost.Question->Change.Kind;
    EXPECT_EQ(cost.To.empty(), kind == ChangeKind::Fixed) << cost.Question->Key;
    EXPECT_EQ(cost.Years > 0, kind == ChangeKind::WithTime) << cost.Question->Key;
    EXPECT_TRUE(kind != ChangeKind::ByActing || MovePossible(*cost.Question, answers, cost.Answer));
  }
  int32_t years = 1;  // time alone, each answer held to its range
  for (TAnswers later = answers; e.Total < e.CutOff && years <= 48; ++years) {
    later.Age = std::min(answers.Age + years, 66);
    later.YearsAtAddress = std::min(answers.YearsAtAddress + years, 21);
    later.YearsInJob = std::min(answers.YearsInJob + years, 21);
    if (Total(later) >= e.CutOff) {
      break;
    }
  }
  EXPECT_EQ(e.Waiting ? e.Waiting->Years : 49, e.Total < e.CutOff ? years : 49);
  EXPECT_TRUE(!e.Waiting || addsUp(*e.Waiting)) << ExplanationText(e);
  const bool none = e.Total < e.CutOff && least.empty() && !e.Waiting;
  EXPECT_EQ(!e.Obstacles.empty(), none) << ExplanationText(e);
  EXPECT_EQ(ExplanationText(e).find("No change you can make now") != std::string::npos,
            e.Total < e.CutOff && least.empty());
}

TEST(Explain, WaysForwardAreTheFirstLeastSetsOfPossibleMoves) {
  std::mt19937 random(1);
  for (int turn = 0; turn < 60; ++turn) {
    CheckWays(AnswersOf(Applicant(random)));
  }
  // No way: a record no action outweighs, at an age with decades to wait; and with the
  // easy things done as well, what remains is to be tried whole.
  const std::vector<std::pair<std::string, std::string>> record = {
      {"missed-payments", "yes"}, {"defaults", "more-than-one"}, {"ccj", "more-than-one"}};
  std::vector<std::pair<std::string, std::string>> done = record;
  done.insert(done.end(), {{"residential", "owner"},
                           {"telephone", "0123"},
                           {"visa", "yes"},
                           {"mastercard", "yes"},
                           {"cheque-card", "yes"},
                           {"live-accounts", "5"},
                           {"settled", "more-than-2"},
                           {"electoral", "yes"},
                           {"occupation", "18"}});
  for (const auto& given : {record, done}) {
    CheckWays(AnswersOf(given));
    EXPECT_TRUE(Explain(AnswersOf(given), TCCScore()).Ways.empty());
  }
}

// What RunBatch writes for input, with its exit status.
std::string RunBatchOn(const std::string& input, const TBatchOptions& options, int& status) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  EXPECT_TRUE(in != nullptr && out != nullptr);
  EXPECT_EQ(::write(fileno(in), input.data(), input.size()), static_cast<ssize_t>(input.size()));
  ::lseek(fileno(in), 0, SEEK_SET);
  status = RunBatch(fileno(in), fileno(out), fileno(out), options);
  std::string output(static_cast<size_t>(::lseek(fileno(out), 0, SEEK_END)), '\0');
  ::lseek(fileno(out), 0, SEEK_SET);
  output.resize(static_cast<size_t>(::read(fileno(out), output.data(), output.size())));
  std::fclose(in);
  std::fclose(out);
  return output;
}

TEST(Batch, BadLinesAreAnsweredInPlace) {
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {  // line, a part of its message
      {"", "empty line"}, {" \t\r", "empty line"}, {"{", "not JSON: the object is not well"},
      {"{} {}", "more follows the object at byte 4"}, {"{\"age\":\"\xFF\"}", "not UTF-8"},
      {"[]", "not a JSON object"}, {"7", "not a JSON object"}, {"\"age\"", "not a JSON object"},
      {"no", "not JSON: the line does not start"},
      {std::string("{\"age\":40}\0{\"defaults\":\"yes\"}", 28), "not JSON: a NUL byte at byte 11"},
      {std::string("{\"age\":\"4\0\"}", 12), "a NUL byte at byte 10"},
      {"{\"age\":40}}", "more follows"}, {"{\"age\":40}x", "not JSON"}, {"{\"age\":\"40}", "closing quote"},
      {"{\"age\":\"\\q\"}", "bad escape"}, {"{\"age\":\"\\ud800\"}", "bad escape"},
      {"{\"age\":\"\t\"}", "control character"}, {"{\"age\":01}", "a malformed number"},
      {"{\"age\":4e}", "malformed number"}, {"{\"age\":40,}", "not well formed"}, {"{\"salary\":\"d\":1}}", "not well formed"},
      {"\xEF\xBB\xBF{}", "a byte-order mark, which only the start of the input may have"},
      {"{\"age\":true}", "value of \"age\" is not a string or a number"},
      {"{\"age\":null}", "not a string"}, {"{\"age\":[40]}", "not a string"},
      {"{\"age\":{\"a\":1}}", "not a string"}, {"{\"Age\":40}", "unknown key \"Age\"; keys: age,"},
      {"{\"Age\":1e309}", "unknown key"}, {"{\"visa\":\"yes\",\"visa\":\"no\"}", "key \"visa\" given twice"},
      {"{\"age\":17}", "bad value \"17\" for \"age\"; accepted: 18 ... 66"},
      {"{\"age\":40.5}", "bad value \"40.5\""}, {"{\"age\":\"40.0\"}", "bad value \"40.0\""},
      {"{\"age\":-40}", "bad value \"-40\""}, {"{\"job-years\":4e1 }", "bad value \"4e1\" for \"job"},
      {"{\"age\":1e309}", "number \"1e309\" for \"age\" is too large"}, {"{\"salary\":-1E999}", "too large"},
      {"{\"age\":18446744073709551656}", "bad value \"18446744073709551656\""},
      {"{\"marital\":\"Married\"}", "accepted: single, married, divorced, other"},
      {"{\"marital\":1}", "bad value \"1\""}, {"{\"occupation\":1e2}", "bad value \"1e2\""}};
  // clang-format on
  TBatchScorer scorer;
  for (const auto& [line, message] : cases) {
    std::string out;
    EXPECT_FALSE(scorer.ScoreLine(line, 7, out)) << line;
    ASSERT_EQ(out.find('\n'), out.size() - 1) << out;
    const nlohmann::json error = nlohmann::json::parse(out);
    EXPECT_EQ(error.size(), 2u) << out;
    EXPECT_EQ(error["line"], 7) << out;
    EXPECT_NE(error["error"].get<std::string>().find(message), std::string::npos) << out;
  }
}

TEST(Batch, ThreadsKeepTheOrderAndBadLinesDoNotStopTheRun) {
  std::mt19937 random(3);
  std::string input, expected;
  for (uint64_t number = 1; number <= 3000; ++number) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, value] : Applicant(random)) {
      const bool digits =
          !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
      object[key] =
          digits && random() % 2 ? nlohmann::json(std::stoi(value)) : nlohmann::json(value);
    }
    std::string line = number % 101 == 0 ? "{\"age\":" : object.dump();
    if (number == 1234) {
      line = "{\"telephone\":\"" + std::string(kBatchMaxLine, '1') + "\"}";
    } else if (number % 500 == 0) {
      line = "{\"salary\":" + std::to_string(number * 99999) + "}";  // incomes past those kept
    }
    input += line + (number < 3000 ? "\n" : "");  // the last line has no line end
    if (number == 1234) {
      AppendLineError(expected, number, "line longer than 65536 bytes");
    } else {
      TBatchScorer alone(true);  // one line on the report's engine
      alone.ScoreLine(line, number, expected);
    }
  }
  TBatchOptions options;
  options.Workers = 3;
  options.BlockLines = 16;  // many more blocks than are in flight at once
  int status = 0;
  EXPECT_TRUE(RunBatchOn(input, options, status) == expected)
      << "the threaded run differs from the lines scored alone";
  EXPECT_EQ(status, 3);
}

// One rule for numbers (see --help): each line scores as its plain twin.
TEST(Batch, NumbersLineEndsAndTheByteOrderMarkFollowOneRule) {
  // clang-format off
  const std::pair<std::string, std::string> same[] = {  // line, its plain twin
      {"{\"age\":40.0}", "{\"age\":40}"}, {"{\"age\":4e1}", "{\"age\":40}"},
      {"{\"age\":\"040\"}", "{\"age\":40}"},
      {"{\"age\":400e-1,\"job-years\":-0}", "{\"age\":40,\"job-years\":0}"},
      {"{\"salary\":2.5e4}", "{\"salary\":\"25000\"}"}, {"{\"salary\":25000.99}", "{\"salary\":\"25000\"}"},
      {"{\"salary\":-5}", "{\"salary\":\"-5\"}"}, {"{\"salary\":1e10}", "{\"salary\":\"x\"}"},
      {"{\"telephone\":0}", "{\"telephone\":\"0\"}"}, {"{\"age\":40}\r", "{\"age\":40}"}};
  // clang-format on
  TBatchScorer scorer;
  for (const auto& [line, twin] : same) {
    std::string out, expected;
    EXPECT_TRUE(scorer.ScoreLine(line, 1, out)) << out;
    scorer.ScoreLine(twin, 1, expected);
    EXPECT_EQ(out, expected) << line;
  }
  // A mark only at the very start; the bound counts no line end, LF or CR LF.
  const auto sized = [](size_t size) { return "{}" + std::string(size - 2, ' '); };
  const std::string input = "\xEF\xBB\xBF{}\r\n" + sized(kBatchMaxLine) + "\r\n" +
                            sized(kBatchMaxLine) + "\n" + sized(kBatchMaxLine + 1) + "\r\n" +
                            "\xEF\xBB\xBF{}\n" + sized(kBatchMaxLine) + "\r";
  std::string expected;
  for (uint64_t number = 1; number <= 3; ++number) {
    scorer.ScoreLine("{}", number, expected);
  }
  AppendLineError(expected, 4, "line longer than 65536 bytes");
  scorer.ScoreLine("\xEF\xBB\xBF{}", 5, expected);
  AppendLineError(expected, 6, "line longer than 65536 bytes");
  int status = 0;
  EXPECT_EQ(RunBatchOn(input, TBatchOptions(), status), expected);
  EXPECT_EQ(status, 3);
}

}  // namespace
}  // namespace solvara
