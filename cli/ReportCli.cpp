#include "cli/ReportCli.h"

#include <charconv>
#include <cstdint>
#include <exception>
#include <nlohmann/json.hpp>
#include <optional>

#include "SolvaraConfig.h"
#include "cli/Answers.h"
#include "questionnaire/AnswerCoding.h"
#include "report/Explain.h"
#include "report/ReportText.h"
#include "scoring/BCCScoreU.h"

namespace solvara {

namespace {

const char* const kProgram = "solvara-report";

const char* const kUsage =
    "Usage: solvara-report [--shown | --codes] [KEY=VALUE ...]\n"
    "   or: solvara-report --explain [--json] [KEY=VALUE ...]\n"
    "   or: solvara-report --explain-unconstrained [--json] [KEY=VALUE ...]\n"
    "   or: solvara-report --batch < APPLICANTS.jsonl\n"
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
    "With --explain, prints where the points come from instead of the report: the base\n"
    "score; one row for each coded answer with its question, the answer in the\n"
    "questionnaire's words, the scorecard characteristic, the coded value, the band it\n"
    "fell in and its points; the total, the cut-off and the margin. Then what costs the\n"
    "most: each answer that scores below the best its question allows, with the points\n"
    "it costs and how it can change: \"cannot change\" (the age today, the marital\n"
    "status, missed payments, defaults and County Court Judgements: facts of the person\n"
    "or of their past), \"with time\" (the years at the address and in the job, and the\n"
    "age, grow by one a year; with the years it takes), \"easy\" (a home telephone, a\n"
    "card or an account taken out or given up, an account settled, registering on the\n"
    "electoral roll) or \"major\" (moving home, changing job; the years at the address\n"
    "or in the job then start again). Settled accounts only grow. A new job is one\n"
    "anyone can take up (no profession, post, business, private means or selection);\n"
    "retirement from 55; illness, unemployment, keeping house and study are never\n"
    "advised. When declined, the ways forward: up to three sets of changes the person\n"
    "can make that reach the cut-off, the fewest changes first, then the fewest major\n"
    "ones, then the highest total, no set holding another's questions; and the fewest\n"
    "years after which time alone reaches it. Where neither does, it says so and lists\n"
    "what stands in the way: the answers no action changes and their points. With\n"
    "--json, the same as one JSON object. The \"Why?\" button on the desktop program's\n"
    "Result page shows the same explanation for the answers of the report shown.\n"
    "\n"
    "With --explain-unconstrained, for analysts of the scorecard: the same ledger, what\n"
    "each answer costs against the best answer on the card, and the nearest way to\n"
    "acceptance when declined: the fewest changes of any answers but the age that reach\n"
    "the cut-off, whether a person could make them or not, found by scoring whole sets\n"
    "of answers, each change with what it gains (or that no changes reach it). Of the\n"
    "sets with the fewest changes the one scoring highest is shown, then the one whose\n"
    "questions come first; a question's answer is the first of those that score best.\n"
    "\n"
    "With --batch, reads applicants from standard input as JSON Lines: one object a\n"
    "line, with the keys below and strings or numbers as values, such as\n"
    "{\"age\": 40, \"residential\": \"owner\", \"salary\": 30000}; keys left out keep the\n"
    "start state. A key that takes a whole number accepts a JSON number whose value is\n"
    "a whole number in its range, however it is written (40, 40.0 and 4e1 are all 40),\n"
    "or a string of decimal digits (\"40\", \"040\"); 40.5, -40 and \"40.0\" are refused.\n"
    "The salary accepts a string, read as typed, or a number, taken by its value with\n"
    "any fraction dropped (2.5e4 and 25000.99 are both 25000). A choice takes its word\n"
    "only; the telephone any string, or a number as written. Writes one JSON line for\n"
    "each input line, in input order:\n"
    "{\"total\", \"cutoff\", \"accepted\", \"rating\", \"limit\" (null without a usable\n"
    "salary), \"positive\" and \"negative\" (the reasons as {\"Characteristic\": points},\n"
    "largest first)}. A bad line (not JSON, not an object, anything after the object,\n"
    "a NUL byte, an unknown key, a value out of range, a number too large for any key,\n"
    "an empty line, a line over 65536 bytes not counting its line end, LF or CR LF)\n"
    "gives {\"line\": N, \"error\": \"...\"} in its place, N counting from 1, and the run\n"
    "goes on. A byte-order mark may begin the input, and no other line. Uses every core\n"
    "and keeps the input order; memory stays the same whatever the input's size. On a\n"
    "terminal, standard error shows the progress of a run that takes over a second.\n"
    "\n"
    "Exit status: 0 done; 1 reading or writing failed; 2 bad arguments (a one-line\n"
    "message on standard error, nothing on standard output); 3 --batch met bad lines\n"
    "(all other lines scored).\n"
    "\n";

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
  for (const TQuestion& question : Questions()) {
    row(question.Key, Accepted(question), OpeningState(question));
  }
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
      "  --explain     print the points ledger, what costs the most and the ways forward\n"
      "                a person can take instead of the report\n"
      "  --explain-unconstrained\n"
      "                the same with the nearest way to acceptance by any changes of\n"
      "                answers but the age, for analysts of the scorecard\n"
      "  --json        with --explain or --explain-unconstrained: print the\n"
      "                explanation as one JSON object\n"
      "  --batch       score applicants read as JSON Lines from standard input\n"
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

// A signed 32-bit decimal: an optional minus sign and digits, nothing else.
bool ReadSigned(const std::string& text, int32_t& number) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, number);
  return error == std::errc() && end == last && !text.empty();
}

struct Options {
  bool shown = false;
  bool codes = false;
  bool score = false;
  bool explain = false;
  bool unconstrained = false;
  bool json = false;
  bool batch = false;
  std::optional<int32_t> income;
  std::vector<std::string> pairs;  // the NAME=VALUE arguments, in order
};

std::optional<CliOutcome> ParseOptions(const std::vector<std::string>& args, Options& options) {
  const char* const known =
      "--shown, --codes, --explain, --explain-unconstrained, --json, --batch, --score, --income "
      "N, --help, --version";
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '-') {
      options.pairs.push_back(arg);
      continue;
    }
    bool* flag = arg == "--shown"                   ? &options.shown
                 : arg == "--codes"                 ? &options.codes
                 : arg == "--score"                 ? &options.score
                 : arg == "--explain"               ? &options.explain
                 : arg == "--explain-unconstrained" ? &options.unconstrained
                 : arg == "--json"                  ? &options.json
                 : arg == "--batch"                 ? &options.batch
                                                    : nullptr;
    if (flag != nullptr) {
      if (*flag) {
        return Failure("option " + Quoted(arg) + " given twice; options: " + known);
      }
      *flag = true;
      continue;
    }
    if (arg == "--income") {
      if (options.income) {
        return Failure("option \"--income\" given twice; it takes one number");
      }
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
  if (options.shown + options.codes + options.score + options.explain + options.unconstrained +
          options.batch >
      1) {
    return Failure(
        "options \"--shown\", \"--codes\", \"--explain\", \"--explain-unconstrained\", "
        "\"--batch\" and \"--score\" exclude one another");
  }
  if (options.json && !options.explain && !options.unconstrained) {
    return Failure(
        "option \"--json\" is accepted only with \"--explain\" or \"--explain-unconstrained\"");
  }
  if (options.batch && !options.pairs.empty()) {
    return Failure("argument " + Quoted(options.pairs[0]) +
                   " is not accepted with \"--batch\", which reads its applicants from "
                   "standard input");
  }
  if (options.income && !options.score) {
    return Failure("option \"--income\" is accepted only with \"--score\"");
  }
  return std::nullopt;
}

std::optional<CliOutcome> ReadAnswers(const std::vector<std::string>& pairs, TAnswers& answers) {
  TAnswerReader reader(answers);
  for (const std::string& arg : pairs) {
    const size_t equals = arg.find('=');
    if (equals == std::string::npos) {
      return Failure("argument " + Quoted(arg) + " is not KEY=VALUE; keys: " + KeyList());
    }
    const std::string key = arg.substr(0, equals);
    const TQuestion* question = nullptr;
    switch (reader.Put(key, arg.substr(equals + 1), question)) {
      case AnswerFault::None:
        break;
      case AnswerFault::UnknownKey:
        return Failure("unknown key in argument " + Quoted(arg) + "; keys: " + KeyList());
      case AnswerFault::GivenTwice:
        return Failure("key " + Quoted(key) + " given twice, again in argument " + Quoted(arg));
      case AnswerFault::BadValue:
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
  if (auto failure = ReadAnswers(options.pairs, answers)) {
    return *failure;
  }

  CliOutcome outcome;
  if (options.explain || options.unconstrained) {
    const TExplanation explanation =
        options.explain ? Explain(answers, TCCScore()) : ExplainUnconstrained(answers, TCCScore());
    outcome.out = options.json ? ExplanationJson(explanation) : ExplanationText(explanation);
    return outcome;
  }
  if (options.codes) {
    std::vector<std::string> names;
    std::vector<std::string> values;
    int32_t income = 0;
    BuildUpValues(answers, names, values, income);
    for (size_t i = 0; i < names.size(); ++i) {
      outcome.out += names[i] + "=" + values[i] + "\n";
    }
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
      if (arg == "--help") {
        return CliOutcome{HelpText(), "", 0};
      }
    }
    for (const std::string& arg : args) {
      if (arg == "--version") {
        return CliOutcome{std::string(kProgram) + " " + SOLVARA_PACKAGE_VERSION + "\n", "", 0};
      }
    }
    Options options;
    if (auto failure = ParseOptions(args, options)) {
      return *failure;
    }
    if (options.batch) {
      CliOutcome outcome;
      outcome.batch = true;
      return outcome;
    }
    return options.score ? Score(options) : Report(options);
  } catch (const std::exception& error) {
    return CliOutcome{"", std::string(kProgram) + ": " + error.what() + "\n", 1};
  }
}

}  // namespace solvara
