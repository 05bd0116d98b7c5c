#include "cli/ReportCli.h"

#include <charconv>
#include <cstdint>
#include <exception>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

#include "SolvaraConfig.h"
#include "questionnaire/AnswerCoding.h"
#include "report/ReportText.h"
#include "scoring/BCCScoreU.h"

namespace solvara {

namespace {

const char* const kProgram = "solvara-report";

const char* const kUsage =
    "Usage: solvara-report [--shown | --codes] [KEY=VALUE ...]\n"
    "   or: solvara-report --score [--income N] NAME=VALUE ...\n"
    "\n"
    "Without --score, each KEY=VALUE answers one question of the questionnaire; the\n"
    "others keep the state in which the questionnaire opens. Prints the report as\n"
    "\"Save as HTML\" writes it, or with --shown the one-line form that is shown, or\n"
    "with --codes the coded answers (Name=Value lines, then MonthlyIncome=N).\n"
    "\n"
    "With --score, each NAME=VALUE is one entry of the names and values lists, in\n"
    "order, scored on a fresh credit-card scorecard; prints the result as JSON, with\n"
    "the credit limit for the monthly income N (default 0).\n"
    "\n"
    "Bad input gives a one-line message on standard error and exit status 2.\n"
    "\n";

// What a question accepts, as --help and the error messages list it.
std::string Accepted(const TQuestion& question) {
  switch (question.Kind) {
    case QuestionKind::Slider:
    case QuestionKind::List:
      return std::to_string(question.Low) + " ... " + std::to_string(question.High);
    case QuestionKind::Text:
      return "any text";
    case QuestionKind::Choice:
      break;
  }
  std::string list;
  for (const TChoice& choice : question.Choices)
    list += (list.empty() ? "" : ", ") + std::string(choice.Word);
  return list;
}

// The state in which the questionnaire opens, in the words the command line takes.
std::string OpeningState(const TQuestion& question) {
  const int32_t value = OpeningValue(question);
  switch (question.Kind) {
    case QuestionKind::Slider:
      return std::to_string(value);
    case QuestionKind::Text:
      return "empty";
    case QuestionKind::List:
      return "none";
    case QuestionKind::Choice:
      break;
  }
  const TChoice* choice = ChoiceFor(question, value);
  return choice != nullptr ? choice->Word : "none";
}

std::string KeyList() {
  std::string list;
  for (const TQuestion& question : Questions())
    list += (list.empty() ? "" : ", ") + std::string(question.Key);
  return list;
}

std::string HelpText() {
  std::string text = kUsage;
  text += "Keys:\n";
  const std::string heading[3] = {"key", "values", "start state"};
  size_t keyWidth = heading[0].size();
  size_t valuesWidth = heading[1].size();
  for (const TQuestion& question : Questions()) {
    keyWidth = std::max(keyWidth, std::string(question.Key).size());
    valuesWidth = std::max(valuesWidth, Accepted(question).size());
  }
  auto row = [&](const std::string& key, const std::string& values, const std::string& start) {
    text += "  " + key + std::string(keyWidth - key.size() + 2, ' ') + values +
            std::string(valuesWidth - values.size() + 2, ' ') + start + "\n";
  };
  row(heading[0], heading[1], heading[2]);
  for (const TQuestion& question : Questions())
    row(question.Key, Accepted(question), OpeningState(question));
  text +=
      "\nThe occupation is an entry of this list; job-years counts only for the entries\n"
      "marked *:\n";
  const std::vector<std::string>& occupations = OccupationTexts();
  for (size_t entry = 0; entry < occupations.size(); ++entry) {
    const std::string number = std::to_string(entry);
    text += "  " + std::string(3 - number.size(), ' ') + number + " " +
            (YearsInJobEnabled(static_cast<int32_t>(entry)) ? "* " : "  ") + occupations[entry] +
            "\n";
  }
  text +=
      "\nOptions:\n"
      "  --shown       print the shown form of the report (one line, no line end)\n"
      "  --codes       print the names and values lists and the monthly income\n"
      "  --score       score NAME=VALUE entries directly and print JSON\n"
      "  --income N    the monthly income for the credit limit of --score\n"
      "  --help        print this text\n"
      "  --version     print the program's name and version\n";
  return text;
}

// An argument as it can be shown inside a one-line message: control bytes, quotes
// and backslashes are escaped so that nothing the user typed can break the line.
std::string Quoted(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

CliOutcome Failure(const std::string& message) {
  CliOutcome outcome;
  outcome.err = std::string(kProgram) + ": " + message + "; see --help\n";
  outcome.exitCode = 2;
  return outcome;
}

// A whole number written in plain decimal digits only, within [low, high].
bool ReadNumber(const std::string& text, int32_t low, int32_t high, int32_t& number) {
  if (text.empty() || text.size() > 10)
    return false;
  for (const char c : text) {
    if (c < '0' || c > '9')
      return false;
  }
  const int64_t value = std::stoll(text);
  if (value < low || value > high)
    return false;
  number = static_cast<int32_t>(value);
  return true;
}

// A signed 32-bit decimal: an optional minus sign and digits, nothing else.
bool ReadSigned(const std::string& text, int32_t& number) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, number);
  return error == std::errc() && end == last && !text.empty();
}

// Puts a value given on the command line into the record; false when the question does
// not take it.
bool Answer(const TQuestion& question, const std::string& value, TAnswers& answers) {
  int32_t number = 0;
  if (question.Kind == QuestionKind::Text) {
    AnswerText(question, answers) = value;
    return true;
  }
  if (question.Kind == QuestionKind::Choice) {
    const TChoice* choice = FindChoice(question, value);
    if (choice == nullptr)
      return false;
    number = choice->Value;
  } else if (!ReadNumber(value, question.Low, question.High, number)) {
    return false;
  }
  SetAnswerValue(question, answers, number);
  return true;
}

struct Options {
  bool shown = false;
  bool codes = false;
  bool score = false;
  std::optional<int32_t> income;
  std::vector<std::string> pairs;  // the NAME=VALUE arguments, in order
};

std::optional<CliOutcome> ParseOptions(const std::vector<std::string>& args, Options& options) {
  const char* const known = "--shown, --codes, --score, --income N, --help, --version";
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '-') {
      options.pairs.push_back(arg);
      continue;
    }
    bool* flag = arg == "--shown"   ? &options.shown
                 : arg == "--codes" ? &options.codes
                 : arg == "--score" ? &options.score
                                    : nullptr;
    if (flag != nullptr) {
      if (*flag)
        return Failure("option " + Quoted(arg) + " given twice; options: " + known);
      *flag = true;
      continue;
    }
    if (arg == "--income") {
      if (options.income)
        return Failure("option \"--income\" given twice; it takes one number");
      if (i + 1 == args.size()) {
        return Failure("option \"--income\" needs a value: a whole number of currency units");
      }
      int32_t income = 0;
      if (!ReadSigned(args[i + 1], income)) {
        return Failure("bad value " + Quoted(args[i + 1]) +
                       " for \"--income\"; accepted: a whole number from -2147483648 to "
                       "2147483647");
      }
      options.income = income;
      ++i;
      continue;
    }
    return Failure("unknown option " + Quoted(arg) + "; options: " + known);
  }
  if (options.shown + options.codes + options.score > 1) {
    return Failure("options \"--shown\", \"--codes\" and \"--score\" exclude one another");
  }
  if (options.income && !options.score) {
    return Failure("option \"--income\" is accepted only with \"--score\"");
  }
  return std::nullopt;
}

std::optional<CliOutcome> ReadAnswers(const std::vector<std::string>& pairs, TAnswers& answers) {
  std::set<std::string> given;
  for (const std::string& arg : pairs) {
    const size_t equals = arg.find('=');
    if (equals == std::string::npos) {
      return Failure("argument " + Quoted(arg) + " is not KEY=VALUE; keys: " + KeyList());
    }
    const std::string key = arg.substr(0, equals);
    const std::string value = arg.substr(equals + 1);
    const TQuestion* question = FindQuestion(key);
    if (question == nullptr) {
      return Failure("unknown key in argument " + Quoted(arg) + "; keys: " + KeyList());
    }
    if (!given.insert(key).second) {
      return Failure("key " + Quoted(key) + " given twice, again in argument " + Quoted(arg));
    }
    if (!Answer(*question, value, answers)) {
      return Failure("bad value in argument " + Quoted(arg) + "; " + question->Key +
                     " accepts: " + Accepted(*question));
    }
  }
  return std::nullopt;
}

CliOutcome Score(const Options& options) {
  std::vector<std::string> names;
  std::vector<std::string> values;
  for (const std::string& arg : options.pairs) {
    const size_t equals = arg.find('=');
    if (equals == std::string::npos) {
      return Failure("argument " + Quoted(arg) + " is not NAME=VALUE; --score takes entries of " +
                     "the names and values lists, such as Age=1801");
    }
    names.push_back(arg.substr(0, equals));
    values.push_back(arg.substr(equals + 1));
  }
  TCCScore card;
  card.CalculateScore(names, values);

  nlohmann::ordered_json result;
  result["TotalScore"] = card.TotalScore;
  result["CutOff"] = card.CutOff;
  result["PositiveReasons"] = card.PositiveReasons;
  result["NegativeReasons"] = card.NegativeReasons;
  result["Errors"] = card.Errors ? nlohmann::ordered_json(*card.Errors) : nullptr;
  result["CreditLimit"] = card.CreditLimit(options.income.value_or(0));

  CliOutcome outcome;
  // Names and values are whatever bytes were passed; invalid UTF-8 becomes U+FFFD
  // instead of an exception.
  outcome.out =
      result.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
  return outcome;
}

CliOutcome Report(const Options& options) {
  TAnswers answers;
  if (auto failure = ReadAnswers(options.pairs, answers))
    return *failure;

  CliOutcome outcome;
  if (options.codes) {
    std::vector<std::string> names;
    std::vector<std::string> values;
    int32_t income = 0;
    BuildUpValues(answers, names, values, income);
    for (size_t i = 0; i < names.size(); ++i)
      outcome.out += names[i] + "=" + values[i] + "\n";
    outcome.out += "MonthlyIncome=" + std::to_string(income) + "\n";
    return outcome;
  }
  int32_t income = 0;
  const std::vector<std::string> lines = ReportLinesFor(answers, income);
  outcome.out = options.shown ? ShownForm(lines) : SavedForm(lines);
  return outcome;
}

}  // namespace

CliOutcome RunReportCli(const std::vector<std::string>& args) {
  try {
    for (const std::string& arg : args) {
      if (arg == "--help")
        return CliOutcome{HelpText(), "", 0};
    }
    for (const std::string& arg : args) {
      if (arg == "--version")
        return CliOutcome{std::string(kProgram) + " " + SOLVARA_PACKAGE_VERSION + "\n", "", 0};
    }
    Options options;
    if (auto failure = ParseOptions(args, options))
      return *failure;
    return options.score ? Score(options) : Report(options);
  } catch (const std::exception& error) {
    return CliOutcome{"", std::string(kProgram) + ": " + error.what() + "\n", 1};
  }
}

}  // namespace solvara
