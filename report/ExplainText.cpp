// The explanation in words. One function puts the words into blocks (a heading and rows
// of cells); the text and the HTML document are two layouts of the same blocks, so the
// command line and the desktop program say the same.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "report/Explain.h"

namespace solvara {

namespace {

using Row = std::vector<std::string>;

struct Block {
  std::string heading;  // a section's title, or a sentence where Title is false
  bool title;
  std::vector<Row> rows;
  bool headerRow;       // the first row names the columns
  size_t pointsColumn;  // the column aligned on the right
};

std::string Signed(int32_t points) {
  return (points > 0 ? "+" : "") + std::to_string(points);
}

std::string Band(const TLedgerRow& row) {
  return !row.Matched ? "(none)" : row.Band.empty() ? "(empty)" : row.Band;
}

std::string YearsText(int32_t years) {
  return std::to_string(years) + (years == 1 ? " year" : " years");
}

// How a question's answer can change, in a word or two.
std::string ChangeWord(const TQuestion& question) {
  switch (question.Change.Kind) {
    case ChangeKind::Fixed:
      return "cannot change";
    case ChangeKind::WithTime:
      return "with time";
    case ChangeKind::ByActing:
      break;
  }
  return question.Change.Cost == Effort::Major ? "major" : "easy";
}

// How an answer can change, as the costs and the changes mark it.
std::string HowItChanges(const TAnswerChange& change) {
  const std::string word = ChangeWord(*change.Question);
  if (change.Question->Change.Kind == ChangeKind::WithTime) {
    return word + ", in " + YearsText(change.Years);
  }
  return change.Note.empty() ? word : word + "; " + change.Note;
}

std::string Over(int32_t total, int32_t cutOff) {
  return std::to_string(total) + ", " + std::to_string(total - cutOff) + " over the cut-off";
}

Block LedgerBlock(const TExplanation& e) {
  Block block{"Points ledger (" + std::string(e.Total >= e.CutOff ? "accepted" : "declined") + "):",
              true,
              {{"question", "answer", "characteristic", "value", "band", "points"},
               {"base score", "", "", "", "", std::to_string(e.Base)}},
              true,
              5};
  for (const TLedgerRow& row : e.Ledger) {
    block.rows.push_back({row.Question->Key, row.Answer, row.Characteristic, row.Value, Band(row),
                          std::to_string(row.Points)});
  }
  block.rows.push_back({"total", "", "", "", "", std::to_string(e.Total)});
  block.rows.push_back({"cut-off", "", "", "", "", std::to_string(e.CutOff)});
  block.rows.push_back({"margin", "", "", "", "", Signed(e.Total - e.CutOff)});
  return block;
}

Block CostsBlock(const TExplanation& e) {
  Block block{"What costs the most:", true, {}, false, 4};
  for (const TAnswerChange& cost : e.Costs) {
    Row row = {cost.Question->Key, cost.From, cost.To.empty() ? "" : "->", cost.To,
               std::to_string(cost.Points)};
    if (!e.Unconstrained) {
      row.push_back(HowItChanges(cost));
    }
    block.rows.push_back(row);
  }
  if (block.rows.empty()) {
    block.rows.push_back({"nothing: every answer scores the best its question allows"});
    block.pointsColumn = 0;
  }
  return block;
}

Block ChangesBlock(std::string heading, const std::vector<TAnswerChange>& changes, bool how) {
  Block block{std::move(heading), false, {}, false, 4};
  for (const TAnswerChange& change : changes) {
    Row row = {change.Question->Key, change.From, "->", change.To, Signed(change.Points)};
    if (how) {
      row.push_back(HowItChanges(change));
    }
    block.rows.push_back(row);
  }
  return block;
}

std::string WayHeading(size_t number, const TWay& way, int32_t cutOff) {
  const size_t count = way.Changes.size();
  const std::string effort = way.Majors == 0 ? "easy"
                             : static_cast<size_t>(way.Majors) == count
                                 ? "major"
                                 : std::to_string(way.Majors) + " major";
  return "Way " + std::to_string(number) + ": " + std::to_string(count) +
         (count == 1 ? " change, " : " changes, ") + effort +
         (count == 1 ? ", reaches " : ", reach ") + Over(way.Total, cutOff) + ":";
}

void WaysBlocks(const TExplanation& e, std::vector<Block>& blocks) {
  blocks.push_back(
      {"Ways forward, the fewest changes first, then the least effort:", true, {}, false, 0});
  for (size_t w = 0; w < e.Ways.size(); ++w) {
    blocks.push_back(ChangesBlock(WayHeading(w + 1, e.Ways[w], e.CutOff), e.Ways[w].Changes, true));
  }
  if (e.Ways.empty()) {
    blocks.push_back({"No change you can make now reaches the cut-off.", false, {}, false, 0});
  }
  if (e.Waiting) {
    blocks.push_back(ChangesBlock("By waiting: in " + YearsText(e.Waiting->Years) +
                                      ", with nothing else changed, the total reaches " +
                                      Over(e.Waiting->Total, e.CutOff) + ":",
                                  e.Waiting->Changes, false));
    return;
  }
  if (!e.Ways.empty()) {
    return;
  }
  Block obstacles{
      "Time alone does not reach it either. Every change you can make, all together, "
      "reaches " +
          std::to_string(e.MostReached) + ", " + std::to_string(e.CutOff - e.MostReached) +
          " short. What stands in the way, answers that no action changes:",
      false,
      {},
      false,
      2};
  for (const TLedgerRow& row : e.Obstacles) {
    obstacles.rows.push_back({row.Question->Key, row.Answer, std::to_string(row.Points),
                              row.Question->Change.Kind == ChangeKind::Fixed
                                  ? "cannot change"
                                  : "changes only with time"});
  }
  blocks.push_back(obstacles);
}

void NearestBlocks(const TExplanation& e, std::vector<Block>& blocks) {
  if (!e.Reachable) {
    blocks.push_back(
        {"Nearest to acceptance: no set of changes reaches the cut-off.", true, {}, false, 0});
    return;
  }
  const size_t count = e.Nearest.size();
  blocks.push_back(ChangesBlock("Nearest to acceptance: " + std::to_string(count) +
                                    (count == 1 ? " change reaches " : " changes reach ") +
                                    Over(e.NearestTotal, e.CutOff) + ":",
                                e.Nearest, false));
  blocks.back().title = true;
}

// The whole explanation in blocks, in the order they are read.
std::vector<Block> Blocks(const TExplanation& e) {
  std::vector<Block> blocks = {LedgerBlock(e), CostsBlock(e)};
  if (e.Total < e.CutOff) {
    if (e.Unconstrained) {
      NearestBlocks(e, blocks);
    } else {
      WaysBlocks(e, blocks);
    }
  }
  return blocks;
}

// Width of a UTF-8 text in characters, for the alignment of the columns.
size_t Width(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Rows of cells as columns two spaces apart, indented by two; the points column is
// aligned on the right, and a row ends after its last cell.
std::string Table(const std::vector<Row>& rows, size_t pointsColumn) {
  std::vector<size_t> widths;
  for (const Row& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t k = 0; k < row.size(); ++k) {
      widths[k] = std::max(widths[k], Width(row[k]));
    }
  }
  std::string out;
  for (const Row& row : rows) {
    std::string line;
    const size_t last = std::max(row.size(), pointsColumn + 1);
    for (size_t k = 0; k < last; ++k) {
      const std::string cell = k < row.size() ? row[k] : "";
      const std::string pad(widths[k] - Width(cell), ' ');
      line += "  " + (k == pointsColumn ? pad + cell : k + 1 == last ? cell : cell + pad);
    }
    out += line + "\n";
  }
  return out;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::string ExplanationText(const TExplanation& e) {
  std::string out;
  for (const Block& block : Blocks(e)) {
    out += (out.empty() ? "" : "\n") + block.heading + "\n" + Table(block.rows, block.pointsColumn);
  }
  return out;
}

std::string ExplanationHtml(const TExplanation& e) {
  std::string out =
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Why</title></head><body>";
  for (const Block& block : Blocks(e)) {
    out += block.title ? "<h2>" + Escaped(block.heading) + "</h2>"
                       : "<p>" + Escaped(block.heading) + "</p>";
    if (block.rows.empty()) {
      continue;
    }
    out += "<table cellspacing=\"0\" cellpadding=\"3\">";
    for (size_t r = 0; r < block.rows.size(); ++r) {
      const char* cell = block.headerRow && r == 0 ? "th" : "td";
      out += "<tr>";
      for (size_t k = 0; k < block.rows[r].size(); ++k) {
        const std::string align = k == block.pointsColumn ? " align=\"right\"" : "";
        out +=
            "<" + std::string(cell) + align + ">" + Escaped(block.rows[r][k]) + "</" + cell + ">";
      }
      out += "</tr>";
    }
    out += "</table>";
  }
  return out + "</body></html>";
}

std::string ExplanationJson(const TExplanation& e) {
  using Json = nlohmann::ordered_json;
  const auto change = [&e](const TAnswerChange& c, const char* points) {
    Json json{{"question", c.Question->Key},
              {"from", c.From},
              {"to", c.To.empty() ? Json() : Json(c.To)},
              {points, c.Points}};
    if (!e.Unconstrained) {
      json["change"] = ChangeWord(*c.Question);
      if (c.Years > 0) {
        json["years"] = c.Years;
      }
      if (!c.Note.empty()) {
        json["note"] = c.Note;
      }
    }
    return json;
  };
  Json ledger = Json::array();
  for (const TLedgerRow& row : e.Ledger) {
    ledger.push_back({{"question", row.Question->Key},
                      {"answer", row.Answer},
                      {"characteristic", row.Characteristic},
                      {"value", row.Value},
                      {"band", row.Matched ? Json(row.Band) : Json()},
                      {"points", row.Points}});
  }
  Json costs = Json::array();
  for (const TAnswerChange& cost : e.Costs) {
    costs.push_back(change(cost, "cost"));
  }
  Json result{{"base", e.Base},
              {"ledger", ledger},
              {"total", e.Total},
              {"cutoff", e.CutOff},
              {"margin", e.Total - e.CutOff},
              {"accepted", e.Total >= e.CutOff},
              {"costs", costs}};
  const auto way = [&](const TWay& w) {
    Json changes = Json::array();
    for (const TAnswerChange& c : w.Changes) {
      changes.push_back(change(c, "gain"));
    }
    return Json{{"changes", changes}, {"majors", w.Majors}, {"total", w.Total}};
  };
  if (e.Unconstrained) {
    result["nearest"] = nullptr;
    if (e.Total < e.CutOff) {
      Json changes = Json::array();
      for (const TAnswerChange& c : e.Nearest) {
        changes.push_back(change(c, "gain"));
      }
      result["nearest"] = {{"reachable", e.Reachable},
                           {"changes", changes},
                           {"total", e.Reachable ? Json(e.NearestTotal) : Json()}};
    }
  } else {
    result["ways"] = nullptr;
    if (e.Total < e.CutOff) {
      Json ways = Json::array();
      for (const TWay& w : e.Ways) {
        ways.push_back(way(w));
      }
      Json waiting;
      if (e.Waiting) {
        waiting = way(*e.Waiting);
        waiting["years"] = e.Waiting->Years;
      }
      Json obstacles = Json::array();
      for (const TLedgerRow& row : e.Obstacles) {
        obstacles.push_back({{"question", row.Question->Key},
                             {"answer", row.Answer},
                             {"points", row.Points},
                             {"change", ChangeWord(*row.Question)}});
      }
      const bool none = e.Ways.empty() && !e.Waiting;
      result["ways"] = {{"now", ways},
                        {"waiting", waiting},
                        {"reachable", !none},
                        {"obstacles", obstacles},
                        {"most", none ? Json(e.MostReached) : Json()}};
    }
  }
  // Texts typed on the command line are whatever bytes were passed; invalid UTF-8
  // becomes U+FFFD instead of an exception.
  return result.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace solvara
