#include "builder/stepmatrix_writer.h"

#include "builder/number_text.h"
#include "builder/region_compare.h"
#include "common/symbols.h"

std::string fileStartText() {
    return "BEGIN ASSUMPTIONS;\n";
}

std::string regionHeaderText(int regionNumber, const RegionStates& states) {
    const std::string number = std::to_string(regionNumber);
    if (!isCodedRegion(states)) {
        return "\n\t [ Region#" + number + " has more than 96 states ] \n";
    }
    const int count = states.lastStateIndex + 1;
    std::string text =
        "\n\tUSERTYPE Region#" + number + " STEPMATRIX = " + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) {
        text += "\t[";
        text += stateSymbol(i);
        text += " = " + states.states[size_t(i)] + "]\n";
    }
    text += "\n\t      ";
    for (int i = 0; i < count; ++i) {
        text += "    ";
        text += stateSymbol(i);
        text += ' ';
    }
    text += "\n";
    return text;
}

std::string stepCellText(double value) {
    std::string number;
    appendFixed(number, value, 0, 2);
    if (number.size() < 6) return std::string(6 - number.size(), ' ') + number;
    // Six characters or more: one blank keeps the cell apart from the one before it.
    return " " + number;
}

std::string matrixRowText(const RegionStates& states, const CostTables& costs, int g) {
    std::string text = "\t  [";
    text += stateSymbol(g);
    text += "] ";
    for (int h = 0; h <= states.lastStateIndex; ++h) {
        text += h == g ? "     ." : stepCellText(costs.userCostAt(g, h));
    }
    text += "\n";
    return text;
}

std::string matrixEndText() {
    return ";\n\n;\n\n";
}

std::string consoleMatrixEndText() {
    return "\t;\n";
}

std::string regionNumberingText(const Dataset& data, const CodedMatrix& coded,
                                const std::string& lead, bool console) {
    // A region counts as uncoded when the first taxon's cell shows '-'.
    auto uncoded = [&](int r) { return coded.taxonCount > 0 && coded.at(0, r) == '-'; };
    auto entry = [](int digit, bool blanks) {
        const std::string number = std::to_string(digit);
        return blanks ? " " + number + " " : number;
    };
    std::string text;
    if (data.regionCount < 9) {
        text = lead + "\t";
        for (int r = 0; r < data.regionCount; ++r) text += entry(r + 1, uncoded(r));
        text += console ? "  ]\n" : " ]\n";
        return text;
    }
    text = lead + "\t";
    for (int r = 0; r < data.regionCount; ++r) {
        const int n = r + 1;
        if (n < 10) {
            text += uncoded(r) ? "   " : " ";
        } else {
            text += entry(n / 10, uncoded(r));
        }
    }
    text += "  ]\n" + lead + "\t";
    for (int r = 0; r < data.regionCount; ++r) text += entry((r + 1) % 10, uncoded(r));
    text += "  ]\n";
    return text;
}

std::string codedMatrixText(const Dataset& data, const CodedMatrix& coded, bool console) {
    const int longest = data.longestNameLength;
    const std::string lead = "[ " + std::string(size_t(longest > 1 ? longest - 1 : 0), ' ');
    std::string text = lead + "\tambiguous region ]\n";
    text += regionNumberingText(data, coded, lead, console);
    // Room for the rows at once: the text may be many times the size of the data file.
    text.reserve(text.size() +
                 size_t(coded.taxonCount) * (size_t(longest) + 3 + size_t(data.regionCount)));
    for (int t = 0; t < coded.taxonCount; ++t) {
        const std::string& name = data.taxonNames[size_t(t)];
        text += name;
        text.append(size_t(longest) + 1 - name.size(), ' ');
        text += '\t';
        for (int r = 0; r < data.regionCount; ++r) {
            const char cell = coded.at(t, r);
            if (cell == '-') {
                text += "[-]";
            } else {
                text += cell;
            }
        }
        text += '\n';
    }
    return text;
}
