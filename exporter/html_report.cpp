#include "exporter/html_report.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "common/symbols.h"
#include "common/version.h"
#include "exporter/report_assets.h"
#include "exporter/state_tree.h"
#include "exporter/triangle.h"

namespace {

// Where a text goes: HTML text or an attribute's value, or a string in a JSON block.
enum class Into { html, json };

// Returns the code points of `text`: its characters when `utf8` is asked and the text is valid
// UTF-8, else one per byte (the byte's Latin-1 character).
std::u32string codePoints(std::string_view text, bool utf8) {
    std::u32string points;
    for (std::size_t at = 0; utf8 && at < text.size();) {
        const unsigned char lead = text[at];
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC2 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF5 ? 4
                                                 : 0;
        char32_t c = lead & (length == 1 ? 0x7F : 0x7F >> length);
        for (std::size_t k = 1; k < length && at + k < text.size(); ++k) {
            const unsigned char next = text[at + k];
            c = (next & 0xC0) == 0x80 ? (c << 6) | (next & 0x3F) : 0x110000;
        }
        constexpr char32_t kLeast[] = {0x110000, 0, 0x80, 0x800, 0x10000};
        utf8 = length > 0 && at + length <= text.size() && c >= kLeast[length] && c < 0x110000 &&
               (c < 0xD800 || c > 0xDFFF);
        points.push_back(c);
        at += length;
    }
    if (!utf8) {
        points.clear();
        for (const unsigned char byte : text) points.push_back(byte);
    }
    return points;
}

// Returns the character that the page shows for code point `c`: a control character as its
// picture (C0 and DEL) or U+FFFD (C1), a noncharacter as U+FFFD, any other as it is.
char32_t visible(char32_t c) {
    if (c < 0x20) return 0x2400 + c;
    if (c == 0x7F) return 0x2421;
    if ((c >= 0x80 && c <= 0x9F) || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) {
        return 0xFFFD;
    }
    return c;
}

// Appends `text` to `out`, escaped for `into`: a name or path (`utf8`) in its UTF-8 characters
// when it is valid UTF-8, anything else one character per byte. Only ASCII bytes are written.
void appendText(std::string& out, std::string_view text, bool utf8, Into into) {
    for (const char32_t point : codePoints(text, utf8)) {
        const char32_t c = visible(point);
        char escaped[16] = "";
        if (into == Into::html) {
            const char* entity = c == '&'    ? "&amp;"
                                 : c == '<'  ? "&lt;"
                                 : c == '>'  ? "&gt;"
                                 : c == '"'  ? "&quot;"
                                 : c == '\'' ? "&#39;"
                                             : nullptr;
            if (entity != nullptr) std::snprintf(escaped, sizeof escaped, "%s", entity);
            if (c >= 0x80) std::snprintf(escaped, sizeof escaped, "&#x%X;", unsigned(c));
        } else if (c == '"' || c == '\\') {
            std::snprintf(escaped, sizeof escaped, "\\%c", char(c));
        } else if (c == '<' || c == '>' || c == '&' || c >= 0x80) {
            // No '<' in a script block, which therefore cannot be closed from inside. (JSON
            // strings are written a character per byte: no character is above U+FFFF.)
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
        }
        if (escaped[0] != '\0') {
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
}

// Returns `text` escaped as HTML text (see appendText).
std::string html(std::string_view text, bool utf8 = true) {
    std::string out;
    appendText(out, text, utf8, Into::html);
    return out;
}

// Returns `text` as a JSON string (see appendText), one character per byte.
std::string jsonString(std::string_view text) {
    std::string out = "\"";
    appendText(out, text, false, Into::json);
    return out + "\"";
}

// Returns the label of the symbol of state `state`: its byte as an ASCII or Latin-1
// character, or "x" and the byte in hexadecimal for the two that show nothing (9F and A0).
std::string symbolLabel(int state) {
    const unsigned char byte = kStateSymbols[state];
    if (byte < 0x80 || (byte > 0xA0 && byte != 0xAD)) return std::string(1, char(byte));
    char label[8];
    std::snprintf(label, sizeof label, "x%02X", byte);
    return label;
}

// Returns `n` and `noun`, in the plural unless `n` is 1 ("taxa" for "taxon", else an "s").
std::string count(std::size_t n, const std::string& noun) {
    if (n == 1) return "1 " + noun;
    return std::to_string(n) + " " + (noun == "taxon" ? "taxa" : noun + "s");
}

// Returns `first`-`last` with an en dash, or the one number.
std::string span(long long first, long long last) {
    return first == last ? std::to_string(first)
                         : std::to_string(first) + "&#x2013;" + std::to_string(last);
}

// What the overview and a region's section say of a region.
struct RegionFacts {
    std::vector<std::vector<int>> taxa;  // taxa[s]: the taxa (rows from 0) of state s
    std::vector<int> unknown;            // the taxa coded unknown
    std::string costs;                   // "least-most" of its costs, "" without two states
    std::string unchecked;               // why the triangle inequality was not checked, or ""
    TriangleCheck triangle;              // the costs above a path through other states
    std::vector<std::vector<std::string>> cheapest;  // each cost's cheapest path's cost
};

// Returns the facts of region `region` (the `r`-th) of `data`.
RegionFacts regionFacts(const DataSet& data, const FileRegion& region, std::size_t r) {
    RegionFacts facts;
    facts.taxa.resize(region.states.size());
    for (std::size_t t = 0; t < data.coded.taxa.size(); ++t) {
        const int state = stateOfCell(region, data.coded.taxa[t].cells[r]);
        if (region.coded) (state < 0 ? facts.unknown : facts.taxa[state]).push_back(int(t));
    }
    std::string low, high;
    double lowValue = INFINITY, highValue = -INFINITY;
    for (std::size_t g = 0; g < region.cells.size(); ++g) {
        for (std::size_t h = 0; h < region.cells.size(); ++h) {
            const CellValue value = parseCell(region.cells[g][h]);
            if (g != h && value.kind == CellValue::Kind::undefined) {
                facts.unchecked = "a cost is undefined";
            }
            if (g == h || value.kind != CellValue::Kind::number) continue;
            const double cost = (value.negative ? -1.0 : 1.0) * double(value.hundredths);
            if (cost < lowValue) lowValue = cost, low = region.cells[g][h];
            if (cost > highValue) highValue = cost, high = region.cells[g][h];
        }
    }
    if (!low.empty()) facts.costs = low == high ? low : low + "&#x2013;" + high;
    facts.cheapest = region.cells;
    if (facts.unchecked.empty()) facts.triangle = checkTriangle(facts.cheapest, true);
    if (facts.triangle.negative) facts.unchecked = "a cost is negative";
    return facts;
}

// Returns the taxon names of `rows` in `data`, separated by commas, as HTML.
std::string taxonList(const DataSet& data, const std::vector<int>& rows) {
    std::string text;
    for (const int t : rows) text += (text.empty() ? "" : ", ") + html(data.coded.taxa[t].name);
    return text;
}

// Returns the "1, 2, 5 times a power of ten" step that gives at most 10 ticks up to `last`.
long long tickStep(long long last) {
    for (long long power = 1;; power *= 10) {
        for (const long long step : {power, 2 * power, 5 * power}) {
            if (last / step <= 10) return step;
        }
    }
}

// Returns the strip of the alignment's sites (joined `data`): each ambiguous region as a
// numbered block that links to its section, the variable sites outside the regions as
// ticks, and a scale of site numbers.
std::string siteStrip(const DataSet& data) {
    constexpr double left = 20, width = 960;
    const long long sites = std::max(data.siteCount, 1);
    const auto x = [&](double site) { return left + (site - 1) * width / double(sites); };
    const auto number = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", value);
        return std::string(text);
    };
    std::string svg =
        "<svg class=\"strip\" viewBox=\"0 0 1000 92\" role=\"img\" aria-labelledby=\"strip-title\">"
        "<title id=\"strip-title\">The alignment's " +
        count(std::size_t(sites), "site") +
        " with its ambiguous regions</title>\n<rect class=\"sites\" x=\"" + number(left) +
        "\" y=\"40\" width=\"" + number(width) +
        "\" height=\"22\"/>\n<path class=\"variable\" d=\"";
    for (std::size_t k = 0; k < data.sites.size(); ++k) {
        char seen = 0, bases = 0;
        for (const std::string& row : data.siteRows) {
            const char c = row[k];
            const char bit = c == 'A' ? 1 : c == 'C' ? 2 : c == 'G' ? 4 : c == 'T' ? 8 : 0;
            if (bit != 0 && (seen & bit) == 0) ++bases;
            seen = char(seen | bit);
        }
        if (bases >= 2) svg += "M" + number(x(data.sites[k] + 0.5)) + " 42v18";
    }
    svg += "\"/>\n";
    for (std::size_t r = 0; r < data.bounds.size(); ++r) {
        const RegionBounds& bounds = data.bounds[r];
        const double from = x(std::max(bounds.begin, 1));
        const double to = x(std::min<double>(bounds.end, double(sites)) + 1);
        if (to <= from) continue;
        const bool low = r % 2 == 1 && data.bounds.size() > 20;
        svg += "<a href=\"#region-" + std::to_string(r + 1) + "\"><rect class=\"region\" x=\"" +
               number(from) + "\" y=\"36\" width=\"" + number(to - from) +
               "\" height=\"30\"><title>Region " + std::to_string(r + 1) +
               (bounds.begin == bounds.end ? ": site " : ": sites ") + siteRange(bounds) +
               "</title></rect><text x=\"" + number((from + to) / 2) + "\" y=\"" +
               (low ? "78" : "30") + "\">" + std::to_string(r + 1) + "</text></a>\n";
    }
    // The scale: site 1, then every multiple of the step.
    const long long step = tickStep(sites);
    svg += "<g class=\"scale\">";
    for (long long site = 1; site <= sites; site = (site / step + 1) * step) {
        const std::string at = number(x(double(site) + 0.5));
        svg += "<line x1=\"" + at + "\" x2=\"" + at + "\" y1=\"80\" y2=\"84\"/><text x=\"" + at +
               "\" y=\"92\">" + std::to_string(site) + "</text>";
    }
    return svg + "</g></svg>\n";
}

// Returns the runs of gap marks in `row` as "p,l p,l ...": l gaps before the row's (p+1)-th
// byte that is not a gap mark.
std::string gapRuns(std::string_view row) {
    std::string runs;
    std::size_t letters = 0;
    for (std::size_t at = 0; at < row.size();) {
        if (static_cast<unsigned char>(row[at]) != kGapMark) {
            ++letters, ++at;
            continue;
        }
        const std::size_t end = std::min(row.find_first_not_of(char(kGapMark), at), row.size());
        runs +=
            (runs.empty() ? "" : " ") + std::to_string(letters) + "," + std::to_string(end - at);
        at = end;
    }
    return runs;
}

// Returns the JSON block of coded region `region` of two or more states, with `facts` and
// `aligned`: its states, its step matrix (each row as written), the costs above a path
// through other states with that path's cost, the tree of its states and each pair's
// alignment (which row comes first, the gaps of each row, the five scores).
std::string regionData(const FileRegion& region, const RegionFacts& facts,
                       const AlignedRegion& aligned) {
    std::string json = "<script type=\"application/json\" class=\"region-data\">{\"states\":[";
    for (const std::string& state : region.states) {
        json += (&state == &region.states.front() ? "" : ",") + jsonString(state);
    }
    json += "],\n\"costs\":[";
    for (std::size_t g = 0; g < region.cells.size(); ++g) {
        std::string row;
        for (const std::string& cell : region.cells[g]) row += (row.empty() ? "" : " ") + cell;
        json += (g == 0 ? "" : ",") + jsonString(row);
    }
    json += "],\n\"unchecked\":" + jsonString(facts.unchecked) + ",\"above\":[";
    std::string above;
    for (std::size_t g = 0; g < region.cells.size(); ++g) {
        for (std::size_t h = 0; h < region.cells.size(); ++h) {
            if (facts.cheapest[g][h] == region.cells[g][h]) continue;
            above += (above.empty() ? "[" : ",[") + std::to_string(g) + "," + std::to_string(h) +
                     "," + jsonString(facts.cheapest[g][h]) + "]";
        }
    }
    const StateTree tree = clusterStates(region.cells);
    json += above + "],\n\"tree\":{\"order\":[";
    for (std::size_t i = 0; i < tree.order.size(); ++i) {
        json += (i == 0 ? "" : ",") + std::to_string(tree.order[i]);
    }
    json += "],\"joins\":[";
    for (const StateTree::Join& join : tree.joins) {
        char level[40] = "null";
        if (std::isfinite(join.level)) std::snprintf(level, sizeof level, "%.6g", join.level);
        json += (&join == &tree.joins.front() ? "[" : ",[") + std::to_string(join.left) + "," +
                std::to_string(join.right) + "," + level + "]";
    }
    json += "]},\n\"pairs\":[";
    for (const AlignedPair& pair : aligned.pairs) {
        std::string scores;
        for (const std::string_view score : pair.scores) {
            scores += (scores.empty() ? "" : " ") + std::string(score);
        }
        json += std::string(&pair == &aligned.pairs.front() ? "[" : ",\n[") +
                (pair.first > pair.second ? "1" : "0") + ",\"" + gapRuns(pair.firstRow) + "\",\"" +
                gapRuns(pair.secondRow) + "\"," + jsonString(scores) + "]";
    }
    return json + "]}</script>\n";
}

// Returns the section of region `region` (the `r`-th) of `data`, with its alignments
// `aligned` when it is coded.
std::string regionSection(const DataSet& data, const FileRegion& region, std::size_t r,
                          const RegionFacts& facts, const AlignedRegion* aligned) {
    const std::string number = std::to_string(region.number);
    std::string text = "<section class=\"region\" id=\"region-" + number + "\">\n<h2>Region " +
                       number + "</h2>\n<p class=\"facts\">";
    if (data.joined) {
        const RegionBounds& bounds = data.bounds[r];
        text += (bounds.begin == bounds.end ? "Site " : "Sites ") + span(bounds.begin, bounds.end) +
                " (" + count(std::size_t(std::max<int64_t>(bounds.length, 0)), "site") +
                ") &#xB7; ";
    }
    if (!region.coded) {
        return text +
               "more than 96 states: vornax could not code this region, and StepMatrix "
               "lists none of its states.</p>\n</section>\n";
    }
    text += count(region.states.size(), "state") + " &#xB7; " +
            count(facts.unknown.size(), "taxon") + " coded unknown" +
            (facts.costs.empty() ? "" : " &#xB7; costs " + facts.costs) + "</p>\n";

    text +=
        "<h3>States</h3>\n<table class=\"states\">\n<thead><tr><th scope=\"col\">Symbol</th>"
        "<th scope=\"col\">Sequence</th><th scope=\"col\" class=\"num\">Length</th>"
        "<th scope=\"col\" class=\"num\">Taxa</th><th scope=\"col\">Taxa with this "
        "state</th></tr></thead>\n<tbody>\n";
    for (std::size_t s = 0; s < region.states.size(); ++s) {
        const std::string& state = region.states[s];
        text += "<tr><td class=\"sym\">" + html(symbolLabel(int(s)), false) +
                "</td><td class=\"seq\">" +
                (state.empty() ? "<i>(no site)</i>" : html(state, false)) +
                "</td><td class=\"num\">" + std::to_string(state.size()) +
                "</td><td class=\"num\">" + std::to_string(facts.taxa[s].size()) +
                "</td><td class=\"taxa\">" + taxonList(data, facts.taxa[s]) + "</td></tr>\n";
    }
    if (!facts.unknown.empty()) {
        text +=
            "<tr class=\"unknown\"><td class=\"sym\">?</td><td class=\"seq\"><i>coded "
            "unknown</i></td><td></td><td class=\"num\">" +
            std::to_string(facts.unknown.size()) + "</td><td class=\"taxa\">" +
            taxonList(data, facts.unknown) + "</td></tr>\n";
    }
    text += "</tbody>\n</table>\n";
    if (region.states.size() > 48) {
        text +=
            "<p class=\"note\">The symbols of states 48 and up are single bytes above 0x7F "
            "in StepMatrix; they are shown here as the Latin-1 characters of those bytes (x9F "
            "and xA0 for the two that have none).</p>\n";
    }
    if (region.states.size() < 2) {
        return text +
               "<p class=\"note\">A single state: there is no step matrix to draw.</p>\n"
               "</section>\n";
    }
    text +=
        "<h3>Step matrix</h3>\n<div class=\"matrix\"><p class=\"pending\">The step matrix is "
        "drawn by the page's script.</p></div>\n<div class=\"pair\" hidden></div>\n" +
        regionData(region, facts, *aligned);
    return text + "</section>\n";
}

}  // namespace

ExportResult htmlReport(const DataSet& data, const std::vector<AlignedRegion>& aligned,
                        const std::vector<ReportSource>& sources) {
    const StepMatrixFile& file = data.coded;
    const std::string name = std::filesystem::path(sources.front().path).filename().string();
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta name=\"generator\" content=\"vornax-export " +
        std::string(kVersion) + "\">\n" + "<title>Ambiguous regions of " + html(name) +
        "</title>\n<style>\n" + kReportStyle +
        "</style>\n</head>\n<body>\n<header>\n<h1>Ambiguous regions of <span class=\"file\">" +
        html(name) + "</span></h1>\n<p class=\"lead\">" + count(file.taxa.size(), "taxon") +
        (data.joined ? " &#xB7; " + count(std::size_t(data.siteCount), "site") : "") + " &#xB7; " +
        count(file.regions.size(), "ambiguous region") +
        ", each coded as one character whose states are the sequences that the taxa show "
        "there.</p>\n</header>\n<main>\n<section id=\"overview\">\n<h2>Overview</h2>\n";
    if (data.joined) {
        page += "<figure>\n" + siteStrip(data) +
                "<figcaption><span class=\"key region\"></span> ambiguous region (choose one to "
                "go to it) <span class=\"key variable\"></span> variable site outside the "
                "regions (two or more of A, C, G, T)</figcaption>\n</figure>\n";
    }
    if (!data.joined) {
        page +=
            "<p class=\"note\">Made from StepMatrix and Alignments alone: with the data file "
            "(vornax-export --data) the page shows where the regions lie in the alignment."
            "</p>\n";
    }
    page += "<table class=\"regions\">\n<thead><tr><th scope=\"col\">Region</th>" +
            std::string(data.joined ? "<th scope=\"col\">Sites</th>" : "") +
            "<th scope=\"col\" class=\"num\">States</th><th scope=\"col\">Costs</th>"
            "<th scope=\"col\" class=\"num\">Costs above a path through other states</th>"
            "<th scope=\"col\">Taxa coded unknown</th></tr></thead>\n<tbody>\n";
    std::vector<RegionFacts> facts;
    for (std::size_t r = 0; r < file.regions.size(); ++r) {
        const FileRegion& region = file.regions[r];
        facts.push_back(regionFacts(data, region, r));
        const TriangleCheck& triangle = facts.back().triangle;
        page += "<tr><td><a href=\"#region-" + std::to_string(region.number) + "\">" +
                std::to_string(region.number) + "</a></td>" +
                (data.joined ? "<td class=\"range\">" +
                                   span(data.bounds[r].begin, data.bounds[r].end) + "</td>"
                             : "") +
                "<td class=\"num\">" +
                (region.coded ? std::to_string(region.states.size()) : "more than 96") +
                "</td><td class=\"range\">" + facts.back().costs + "</td><td class=\"num\">" +
                (!facts.back().unchecked.empty() ? "not checked: " + facts.back().unchecked
                 : triangle.costs > 0
                     ? std::to_string(triangle.exceeding) + " of " + std::to_string(triangle.costs)
                     : std::string()) +
                "</td><td class=\"taxa\">" + taxonList(data, facts.back().unknown) + "</td></tr>\n";
    }
    page += "</tbody>\n</table>\n<h3>Files</h3>\n<table class=\"files\">\n<tbody>\n";
    for (const ReportSource& source : sources) {
        page += "<tr><th scope=\"row\">" + source.role + "</th><td class=\"path\">" +
                html(source.path) + "</td><td class=\"num\">" + count(source.bytes, "byte") +
                "</td></tr>\n";
    }
    page += "</tbody>\n</table>\n</section>\n";
    std::size_t next = 0;  // `aligned` holds one entry per coded region
    for (std::size_t r = 0; r < file.regions.size(); ++r) {
        const FileRegion& region = file.regions[r];
        page += regionSection(data, region, r, facts[r], region.coded ? &aligned[next++] : nullptr);
    }
    page += "</main>\n<footer>Written by vornax-export " + std::string(kVersion) +
            ".</footer>\n<div id=\"tip\" role=\"tooltip\" hidden></div>\n"
            "<script type=\"application/json\" id=\"report-data\">{\"gap\":" +
            jsonString(std::string(1, char(kGapMark))) + ",\"symbols\":[";
    for (int state = 0; state < kStateSymbolCount; ++state) {
        if (state > 0) page += ',';
        page += jsonString(symbolLabel(state));
    }
    page +=
        "]}</script>\n<script>\n" + std::string(kReportScript) + "</script>\n</body>\n</html>\n";
    return ExportResult{page, {}, static_cast<int>(file.regions.size()), {}};
}
