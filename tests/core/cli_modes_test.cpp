// solvara-report's --explain and --batch on generated applicants: the ledger adds up,
// the nearest changes are the fewest (checked against every smaller set of changes),
// and the threaded batch writes what scoring one line at a time writes, in order.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <random>

#include "cli/Answers.h"
#include "cli/Batch.h"
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

int32_t Total(const TAnswers& answers) {
  static TCCScore card;  // built once: the brute force below scores thousands of sets
  std::vector<std::string> names, values;
  int32_t income = 0;
  BuildUpValues(answers, names, values, income);
  card.PositiveReasons.clear(), card.NegativeReasons.clear();
  card.CalculateScore(names, values);
  return card.TotalScore;
}

TEST(Explain, LedgerAddsUpToTheTotalOnGeneratedAnswers) {
  std::mt19937 random(14);
  for (int turn = 0; turn < 100; ++turn) {
    const TAnswers answers = AnswersOf(Applicant(random));
    const TExplanation e = Explain(answers, TCCScore());
    int32_t sum = e.Base;
    for (const TLedgerRow& row : e.Ledger) {
      sum += row.Points;
    }
    ASSERT_EQ(sum, Total(answers)) << ExplanationText(e);
    ASSERT_EQ(e.Total, sum);
    int32_t gained = e.Total;
    for (const TAnswerChange& change : e.Nearest) {
      gained += change.Points;
    }
    EXPECT_EQ(gained, e.Reachable ? e.NearestTotal : e.Total);
    EXPECT_EQ(e.Reachable, e.Total < e.CutOff);  // on this card some changes always reach
  }
}

// The highest total that exactly `size` changes of answers reach, the age left alone,
// by trying them all; INT32_MIN when none reaches the cut-off.
int32_t BestByBruteForce(const TAnswers& answers, size_t size, int32_t cutOff, size_t from = 0) {
  if (size == 0) {
    const int32_t total = Total(answers);
    return total >= cutOff ? total : INT32_MIN;
  }
  int32_t best = INT32_MIN;
  for (size_t q = from; q < Questions().size(); ++q) {
    const TQuestion& question = Questions()[q];
    for (const std::string& word : Words(question)) {
      TAnswers changed = answers;
      const TQuestion* put = nullptr;
      TAnswerReader(changed).Put(question.Key, word, put);
      const bool same = question.Kind == QuestionKind::Text
                            ? AnswerText(question, changed) == AnswerText(question, answers)
                            : AnswerValue(question, changed) == AnswerValue(question, answers);
      if (!same && question.Key != std::string("age")) {
        best = std::max(best, BestByBruteForce(changed, size - 1, cutOff, q + 1));
      }
    }
  }
  return best;
}

TEST(Explain, NearestChangesAreTheFewestAndScoreHighest) {
  std::mt19937 random(1);
  int checked = 0;
  for (int turn = 0; checked < 8 && turn < 400; ++turn) {
    const TAnswers answers = AnswersOf(Applicant(random));
    const TExplanation e = Explain(answers, TCCScore());
    if (!e.Reachable || e.Nearest.size() > 2) {
      continue;
    }
    ++checked;
    for (size_t fewer = 1; fewer < e.Nearest.size(); ++fewer) {
      EXPECT_EQ(BestByBruteForce(answers, fewer, e.CutOff), INT32_MIN) << ExplanationText(e);
    }
    EXPECT_EQ(BestByBruteForce(answers, e.Nearest.size(), e.CutOff), e.NearestTotal)
        << ExplanationText(e);
  }
  EXPECT_EQ(checked, 8);
  // The years in the job count for nothing while unemployed, and only the occupation and
  // the years together gain the 99 points missing here (974 on a cut-off of 1073).
  TCCScore higher;
  higher.CutOff = 1073;
  const TAnswers pair = AnswersOf({{"residential", "owner"},
                                   {"address-years", "21"},
                                   {"occupation", "7"},
                                   {"visa", "yes"},
                                   {"mastercard", "yes"},
                                   {"cheque-card", "yes"},
                                   {"live-accounts", "2"},
                                   {"settled", "1"}});
  const TExplanation both = Explain(pair, higher);
  ASSERT_EQ(both.Nearest.size(), 2u) << ExplanationText(both);
  EXPECT_EQ(both.Nearest[1].Question->Key, std::string("job-years"));
  EXPECT_EQ(BestByBruteForce(pair, 1, 1073), INT32_MIN);
  EXPECT_EQ(BestByBruteForce(pair, 2, 1073), both.NearestTotal);
  TCCScore strict;
  strict.CutOff = 5000;
  const TExplanation none = Explain(TAnswers(), strict);
  EXPECT_FALSE(none.Reachable);
  EXPECT_NE(ExplanationText(none).find("no set of changes reaches the cut-off"), std::string::npos);
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
      {"{\"age\":4e}", "malformed number"}, {"{\"age\":40,}", "not well formed"},
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
    }
    input += line + (number < 3000 ? "\n" : "");  // the last line has no line end
    if (number == 1234) {
      AppendLineError(expected, number, "line longer than 65536 bytes");
    } else {
      TBatchScorer alone;  // one line on a card of its own
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
