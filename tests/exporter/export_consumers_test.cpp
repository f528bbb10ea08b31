// What vornax-export writes, read by real consumers: every NEXUS file must pass the NEXUS
// Class Library's NEXUSvalidator, and the step matrices and the matrix that its
// NEXUSnormalizer reads back must be the ones in StepMatrix; DendroPy and Biopython must read
// the same taxa and matrix; every TNT file must pass a reader of TNT's commands (nstates,
// xread, smatrix, proc) written here, with the same check.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/datagen.h"
#include "common/symbols.h"
#include "support/output_properties.h"
#include "support/run_program.h"

namespace {

// A step matrix as StepMatrix shows it: the region's number, its state symbols and its cells.
struct ShownMatrix {
    int region = 0;
    std::string symbols;
    std::vector<std::vector<std::string>> cells;
};

// Returns the words of `line` separated by blanks and tabs.
std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> result;
    for (std::string word; in >> word;) result.push_back(word);
    return result;
}

// Returns the step matrices of a StepMatrix text, read straight from its lines.
std::vector<ShownMatrix> shownMatrices(const std::string& stepMatrix) {
    std::vector<ShownMatrix> result;
    std::istringstream in(stepMatrix);
    for (std::string line; std::getline(in, line);) {
        int region = 0, count = 0;
        if (std::sscanf(line.c_str(), "\tUSERTYPE Region#%d STEPMATRIX = %d", &region, &count) !=
            2) {
            continue;
        }
        ShownMatrix matrix{region, "", {}};
        for (int i = 0; i < count; ++i) {
            std::getline(in, line);
            matrix.symbols += line[2];
        }
        std::getline(in, line);  // empty
        std::getline(in, line);  // column symbols
        for (int i = 0; i < count; ++i) {
            std::getline(in, line);
            std::vector<std::string> cells = words(line);
            cells.erase(cells.begin());  // "[s]"
            matrix.cells.push_back(cells);
        }
        result.push_back(matrix);
    }
    return result;
}

// The taxon rows of a StepMatrix's coded data matrix, cells with "[-]" as "-".
std::vector<std::string> shownRows(const std::string& stepMatrix) {
    const std::size_t title = stepMatrix.rfind("\tambiguous region ]\n");
    std::istringstream in(stepMatrix.substr(title));
    std::string line;
    std::getline(in, line);
    std::vector<std::string> rows;
    while (std::getline(in, line)) {
        if (line.starts_with("[ ")) continue;  // region numbers
        std::string cells;
        for (std::size_t at = line.find('\t') + 1; at < line.size(); ++at) {
            cells += line[at];
            if (line.compare(at, 3, "[-]") == 0) {
                cells.back() = '-';
                at += 2;
            }
        }
        rows.push_back(cells);
    }
    return rows;
}

// Returns the state of cell `cell` in a region whose symbols are `symbols`, or -1.
int stateOf(const std::string& symbols, char cell) {
    const std::size_t at = symbols.find(cell);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

// Returns whether the cost that a consumer read back, `read`, is the StepMatrix cell `shown`
// (infinity written "i" in NEXUS).
bool sameCost(const std::string& read, const std::string& shown) {
    if (shown == "." || shown == "inf") return read == (shown == "." ? "." : "i");
    return std::strtod(read.c_str(), nullptr) == std::strtod(shown.c_str(), nullptr);
}

// Returns the path of program `name` on the PATH, or "".
std::string onPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path == nullptr ? "" : path);
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

// Checks `nexus`, which vornax-export wrote in `dir` for `stepMatrix`, with the NEXUS Class
// Library's tools.
void expectNclReadsBack(const ScratchDir& dir, const std::string& stepMatrix) {
    const std::string validator = onPath("NEXUSvalidator");
    const std::string normalizer = onPath("NEXUSnormalizer");
    if (validator.empty() || normalizer.empty()) {
        if (std::getenv("VORNAX_REQUIRE_NEXUS_READERS") != nullptr) {
            FAIL() << "NEXUSvalidator and NEXUSnormalizer (Debian's ncl-tools) are required";
        }
        GTEST_SKIP() << "NEXUSvalidator and NEXUSnormalizer (Debian's ncl-tools) are missing";
    }
    const RunResult valid = runProgram(validator, dir.path(), "", {"out.nex"});
    ASSERT_EQ(valid.exitStatus, 0) << valid.out << valid.err;
    const RunResult normal = runProgram(normalizer, dir.path(), "", {"out.nex"});
    ASSERT_EQ(normal.exitStatus, 0) << normal.err;
    const std::string& text = normal.out;

    // The character symbols, as the reader took them.
    const std::size_t symbolsAt = text.find("Symbols=\"");
    ASSERT_NE(symbolsAt, std::string::npos) << text;
    const std::string symbols =
        text.substr(symbolsAt + 9, text.find('"', symbolsAt + 9) - symbolsAt - 9);

    // Every step matrix that the reader knows is the one in StepMatrix, cell for cell; every
    // StepMatrix region of 2 to 62 states without undefined costs is there.
    std::map<int, ShownMatrix> shown;
    for (const ShownMatrix& m : shownMatrices(stepMatrix)) shown[m.region] = m;
    std::vector<int> read;  // region numbers, in the reader's order
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        int region = 0, count = 0;
        if (std::sscanf(line.c_str(), " UserType REGION_%d (Stepmatrix) = %d", &region, &count) !=
            2) {
            continue;
        }
        SCOPED_TRACE("region " + std::to_string(region));
        ASSERT_TRUE(shown.contains(region));
        const ShownMatrix& m = shown[region];
        ASSERT_EQ(count, static_cast<int>(m.symbols.size()));
        read.push_back(region);
        std::string body;
        while (body.find(';') == std::string::npos && std::getline(in, line)) body += line + " ";
        body.erase(body.find(';'));
        std::vector<std::string> tokens = words(body);
        ASSERT_EQ(tokens.size(), static_cast<std::size_t>(count + count * count));
        for (int s = 0; s < count; ++s) EXPECT_EQ(tokens[s], std::string(1, symbols[s]));
        for (int g = 0; g < count; ++g) {
            for (int h = 0; h < count; ++h) {
                std::string cell = tokens[count + g * count + h];
                if (cell.front() == '\'') cell = cell.substr(1, cell.size() - 2);
                EXPECT_TRUE(sameCost(cell, m.cells[g][h])) << cell << " for " << m.cells[g][h];
            }
        }
    }
    std::sort(read.begin(), read.end());  // the reader lists them by name
    std::vector<int> expected;
    for (const auto& [region, m] : shown) {
        bool undefined = false;
        for (const auto& row : m.cells) {
            for (const std::string& cell : row) undefined |= cell.find("nan") != std::string::npos;
        }
        if (m.symbols.size() >= 2 && m.symbols.size() <= 62 && !undefined)
            expected.push_back(region);
    }
    EXPECT_EQ(read, expected);

    // The characters, named after their regions in file order, and each assigned its own
    // step matrix.
    const std::size_t labelsAt = text.find("CHARLABELS ");
    ASSERT_NE(labelsAt, std::string::npos);
    std::vector<int> characters;  // region numbers, in character order
    for (const std::string& label :
         words(text.substr(labelsAt + 11, text.find(';', labelsAt) - labelsAt - 11))) {
        characters.push_back(std::atoi(label.c_str() + 7));  // "Region_"
    }
    EXPECT_EQ(characters, expected);
    std::string typeset = "TypeSet * REGIONS =";
    for (std::size_t i = 0; i < characters.size(); ++i) {
        typeset += (i == 0 ? " Region_" : ", Region_") + std::to_string(characters[i]) + " : " +
                   std::to_string(i + 1);
    }
    EXPECT_NE(text.find(typeset + ";"), std::string::npos) << text;

    // The matrix: taxon by taxon, each character holds the state that StepMatrix gives.
    const std::vector<std::string> rows = shownRows(stepMatrix);
    const std::size_t matrixAt = text.find("\nMatrix\n");
    ASSERT_NE(matrixAt, std::string::npos);
    std::istringstream matrix(text.substr(matrixAt + 8));
    for (const std::string& row : rows) {
        std::getline(matrix, line);
        const std::string cells = words(line).back();
        ASSERT_EQ(cells.size(), characters.size()) << line;
        for (std::size_t c = 0; c < characters.size(); ++c) {
            const int region = characters[c];
            const int state = stateOf(shown[region].symbols, row[region - 1]);
            EXPECT_EQ(state < 0 ? '?' : symbols[state], cells[c]) << line;
        }
    }
}

// Reads out.nex in `dir` with Biopython and, unless its symbols hold a letter in both cases,
// with DendroPy (Debian's python3-biopython and python3-dendropy): each must find the taxa
// and the matrix rows that the file holds. DendroPy does not respect case in symbols, so it
// cannot read regions of more than 29 states, whose symbols run from B to b.
void expectPythonReadersAgree(const ScratchDir& dir) {
    const std::string nexus = dir.read("out.nex");
    const std::size_t symbolsAt = nexus.find("SYMBOLS=\"") + 9;
    const std::string symbols = nexus.substr(symbolsAt, nexus.find('"', symbolsAt) - symbolsAt);
    const bool caseless = symbols.find('b') == std::string::npos;
    const char* script =
        "import sys\n"
        "try:\n"
        "    import dendropy\n"
        "    from Bio.Nexus import Nexus\n"
        "except ImportError:\n"
        "    sys.exit(3)\n"
        "if sys.argv[2] == 'dendropy':\n"
        "    data = dendropy.DataSet.get(path=sys.argv[1], schema='nexus')\n"
        "    matrix = data.char_matrices[0]\n"
        "    for taxon in data.taxon_namespaces[0]:\n"
        "        print('dendropy', str(matrix[taxon]))\n"
        "nexus = Nexus.Nexus(sys.argv[1])\n"
        "for label in nexus.taxlabels:\n"
        "    print('biopython', str(nexus.matrix[label]))\n";
    const RunResult run = runProgram("/usr/bin/python3", dir.path(), "",
                                     {"-c", script, "out.nex", caseless ? "dendropy" : "-"});
    if (run.exitStatus == 3 || (run.exitStatus == 127 && run.out.empty())) {
        if (std::getenv("VORNAX_REQUIRE_NEXUS_READERS") != nullptr) {
            FAIL() << "DendroPy and Biopython (python3-dendropy, python3-biopython) are required";
        }
        GTEST_SKIP() << "DendroPy or Biopython is missing";
    }
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    std::string expected;
    std::istringstream rows(nexus.substr(nexus.find("\tMATRIX\n") + 8));
    std::vector<std::string> cells;
    for (std::string line; std::getline(rows, line) && line != "\t;";) {
        cells.push_back(words(line).back());
    }
    for (const char* reader : {"dendropy", "biopython"}) {
        if (!caseless && std::string(reader) == "dendropy") continue;
        for (const std::string& row : cells) expected += std::string(reader) + " " + row + "\n";
    }
    EXPECT_EQ(run.out, expected);
}

// A TNT file as its commands define it.
struct TntFile {
    int states = 0;                                                            // nstates
    std::vector<std::string> names;                                            // xread's taxa
    std::vector<std::string> rows;                                             // and their cells
    std::map<std::string, std::map<std::pair<int, int>, long long>> matrices;  // by name
    std::map<int, std::string> assigned;  // character -> matrix name
};

// Returns the state of TNT symbol `symbol` (0-9, A-V), or -1.
int tntState(char symbol) {
    if (symbol >= '0' && symbol <= '9') return symbol - '0';
    if (symbol >= 'A' && symbol <= 'V') return symbol - 'A' + 10;
    return -1;
}

// Reads the commands of a TNT file into `file`; returns the first fault, or "".
std::string readTnt(const std::string& text, TntFile& file) {
    std::istringstream in(text);
    // Words separated by white space; a ";" ends a word too, except in "proc/;".
    std::string word, pending;
    const auto next = [&] {
        if (!pending.empty()) {
            word = pending;
            pending.clear();
        } else if (!(in >> word)) {
            word.clear();
        } else if (word.size() > 1 && word.back() == ';' && word != "proc/;") {
            word.pop_back();
            pending = ";";
        }
        return word;
    };
    if (next() != "nstates") return "the file does not begin with nstates";
    file.states = std::atoi(next().c_str());
    if (file.states != 8 && file.states != 16 && file.states != 32) return "nstates " + word;
    if (next() != ";" || next() != "xread") return "no xread after nstates";
    in >> std::ws;
    if (in.get() != '\'') return "xread has no title";
    std::string title;
    std::getline(in, title, '\'');
    if (!in) return "the title of xread is not closed";
    const int characters = std::atoi(next().c_str());
    const int taxa = std::atoi(next().c_str());
    for (int t = 0; t < taxa; ++t) {
        file.names.push_back(next());
        file.rows.push_back(next());
        if (file.rows.back().size() != static_cast<std::size_t>(characters)) {
            return "taxon " + file.names.back() + " has " +
                   std::to_string(file.rows.back().size()) + " cells, not " +
                   std::to_string(characters);
        }
        for (const char cell : file.rows.back()) {
            if (cell != '?' && (tntState(cell) < 0 || tntState(cell) >= file.states)) {
                return std::string("cell ") + cell + " of taxon " + file.names.back();
            }
        }
    }
    if (next() != ";") return "xread does not end with ; after " + std::to_string(taxa) + " taxa";
    int defined = 0;
    while (next() == "smatrix") {
        const std::string how = next();
        if (how == "=" + std::to_string(defined)) {
            const std::string name = next();
            if (name.size() < 3 || name.front() != '(' || name.back() != ')')
                return "smatrix " + name;
            auto& costs = file.matrices[name.substr(1, name.size() - 2)];
            for (std::string pair = next(); pair != ";"; pair = next()) {
                const std::string cost = next();
                if (pair.size() != 3 || (pair[1] != '/' && pair[1] != '>') ||
                    tntState(pair[0]) < 0 || tntState(pair[2]) < 0 || cost.empty() ||
                    cost.find_first_not_of("0123456789") != std::string::npos) {
                    return "smatrix entry " + pair + " " + cost;
                }
                const int a = tntState(pair[0]), b = tntState(pair[2]);
                costs[{a, b}] = std::atoll(cost.c_str());
                if (pair[1] == '/') costs[{b, a}] = std::atoll(cost.c_str());
            }
            ++defined;
        } else if (how == "+") {
            const std::string name = next();
            const int character = std::atoi(next().c_str());
            if (!file.matrices.contains(name)) return "smatrix + of an undefined matrix " + name;
            if (character < 0 || character >= characters || file.assigned.contains(character)) {
                return "smatrix + " + name + " " + word;
            }
            file.assigned[character] = name;
            if (next() != ";") return "smatrix + does not end with ;";
        } else {
            return "smatrix " + how;
        }
    }
    if (word != "proc/;") return "the file does not end with proc/; but " + word;
    if (next() != "") return "text after proc/;";
    if (static_cast<int>(file.assigned.size()) != characters) return "a character has no smatrix";
    return "";
}

// Checks the TNT file `tnt` that vornax-export wrote for `stepMatrix`.
void expectTntReadsBack(const std::string& tnt, const std::string& stepMatrix) {
    TntFile file;
    const std::string fault = readTnt(tnt, file);
    ASSERT_EQ(fault, "") << tnt;
    std::map<int, ShownMatrix> shown;
    for (const ShownMatrix& m : shownMatrices(stepMatrix)) shown[m.region] = m;
    const std::vector<std::string> rows = shownRows(stepMatrix);
    ASSERT_EQ(file.rows.size(), rows.size());
    for (const auto& [character, name] : file.assigned) {
        SCOPED_TRACE(name);
        int region = 0;
        ASSERT_EQ(std::sscanf(name.c_str(), "Region_%d", &region), 1);
        ASSERT_TRUE(shown.contains(region));
        const ShownMatrix& m = shown[region];
        const int count = static_cast<int>(m.symbols.size());
        ASSERT_LE(count, 32);
        const auto& costs = file.matrices[name];
        EXPECT_EQ(costs.size(), static_cast<std::size_t>(count * (count - 1)));
        for (int g = 0; g < count; ++g) {
            for (int h = 0; h < count; ++h) {
                if (g == h) continue;
                const double cell = std::strtod(m.cells[g][h].c_str(), nullptr);
                ASSERT_TRUE(costs.contains({g, h}));
                EXPECT_EQ(costs.at({g, h}), std::llround(cell * 100)) << m.cells[g][h];
            }
        }
        for (std::size_t t = 0; t < rows.size(); ++t) {
            const int state = stateOf(m.symbols, rows[t][region - 1]);
            EXPECT_EQ(state < 0 ? -1 : state, tntState(file.rows[t][character]));
        }
    }
}

// Returns the taxon lines, region bounds and site count of generated data file `text`.
struct DataParts {
    std::vector<std::string> bounds;
    int sites = 0;
    std::vector<std::string> names, sequences;
};
DataParts partsOf(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    DataParts parts;
    int taxa = 0;
    in >> taxa >> parts.sites;
    std::getline(in, line);
    std::getline(in, line);
    parts.bounds = words(line);
    while (std::getline(in, line)) {
        parts.names.push_back(line.substr(0, line.find('\t')));
        parts.sequences.push_back(line.substr(line.find('\t') + 1));
    }
    return parts;
}

// Returns a data file of 100 taxa whose regions have, in order, 2, 30, 48, 60 and 96 states.
std::string dataOfManyStates() {
    std::vector<std::string> bounds, sequences(100);
    std::vector<std::string> names;
    int sites = 0;
    for (const int states : {2, 30, 48, 60, 96}) {
        DataShape shape;
        shape.taxa = 100;
        shape.regions = 1;
        shape.minSites = 14;
        shape.maxSites = 24;
        shape.states = states;
        shape.seed = static_cast<unsigned>(states);
        const DataParts parts = partsOf(generateDataFile(shape));
        for (const std::string& range : parts.bounds) {
            int first = 0, last = 0;
            std::sscanf(range.c_str(), "%d-%d", &first, &last);
            bounds.push_back(std::to_string(first + sites) + "-" + std::to_string(last + sites));
        }
        for (int t = 0; t < 100; ++t) sequences[t] += parts.sequences[t];
        names = parts.names;
        sites += parts.sites;
    }
    std::string text = "100 " + std::to_string(sites) + " 5 - ?\n";
    for (std::size_t i = 0; i < bounds.size(); ++i) text += (i ? " " : "") + bounds[i];
    text += "\n";
    for (int t = 0; t < 100; ++t) text += names[t] + "\t" + sequences[t] + "\n";
    return text;
}

// Runs vornax-export in `dir` on its StepMatrix with `args`; returns the run.
RunResult exportIn(const ScratchDir& dir, const std::vector<std::string>& args) {
    RunResult run = runProgram(EXPORT_PATH, dir.path(), "", args);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    return run;
}

// Exports `stepMatrix` both ways and checks each file with its consumer.
void expectBothFormatsReadBack(const std::string& stepMatrix) {
    ScratchDir dir;
    dir.write("StepMatrix", stepMatrix);
    exportIn(dir, {"--tnt", "-o", "out.tnt"});
    expectTntReadsBack(dir.read("out.tnt"), stepMatrix);
    exportIn(dir, {"-o", "out.nex"});
    expectNclReadsBack(dir, stepMatrix);
    expectPythonReadersAgree(dir);
}

}  // namespace

TEST(ExportConsumers, RegionsOf2To96States) {
    const BuilderOutput output = buildInMemory(dataOfManyStates(), UserWeights{1.0, 2.0, 1.0});
    ASSERT_TRUE(output.accepted) << output.refusal;
    const std::vector<ShownMatrix> matrices = shownMatrices(output.stepMatrix);
    ASSERT_EQ(matrices.size(), 5u);
    const int expected[] = {2, 30, 48, 60, 96};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(matrices[i].symbols.size(), std::size_t(expected[i]));

    ScratchDir dir;
    dir.write("StepMatrix", output.stepMatrix);
    const RunResult nexus = exportIn(dir, {"-o", "out.nex"});
    EXPECT_EQ(nexus.err,
              "vornax-export: warning: region 5 is left out: it has 96 states and NEXUS readers "
              "take printable symbols for at most 62\n");
    EXPECT_NE(dir.read("out.nex").find("[States 48 and up are written with the symbols A C G I "
                                       "N O T a c g i n; StepMatrix"),
              std::string::npos);
    expectNclReadsBack(dir, output.stepMatrix);
    expectPythonReadersAgree(dir);

    const RunResult tnt = exportIn(dir, {"--tnt", "-o", "out.tnt"});
    EXPECT_EQ(tnt.err,
              "vornax-export: warning: region 3 is left out: it has 48 states and TNT holds at "
              "most 32\n"
              "vornax-export: warning: region 4 is left out: it has 60 states and TNT holds at "
              "most 32\n"
              "vornax-export: warning: region 5 is left out: it has 96 states and TNT holds at "
              "most 32\n");
    expectTntReadsBack(dir.read("out.tnt"), output.stepMatrix);
}

TEST(ExportConsumers, TheBundledExamples) {
    std::vector<std::filesystem::path> examples;
    for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES_DIR)) {
        if (entry.path().extension() == ".dat") examples.push_back(entry.path());
    }
    ASSERT_FALSE(examples.empty());
    for (const auto& example : examples) {
        SCOPED_TRACE(example.string());
        ScratchDir dir;
        const RunResult built =
            runProgram(VORNAX_PATH, dir.path(), example.string() + "\n1\n2\n1\n");
        ASSERT_EQ(built.exitStatus, 0) << built.err;
        expectBothFormatsReadBack(dir.read("StepMatrix"));
    }
}

TEST(ExportConsumers, AHandMadeFileOfEveryKindOfRegion) {
    // Infinite and negative costs, a quoted name, a duplicate and an empty one.
    expectBothFormatsReadBack(readFile(std::string(TEST_DATA_DIR) + "/exporter/mixed.StepMatrix"));
}

TEST(ExportConsumers, GeneratedDataWithUnusualWeights) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        DataShape shape = realShape(seed);
        shape.regions = 10;
        const BuilderOutput output =
            buildInMemory(generateDataFile(shape), UserWeights{0.37, 1e6, 2.5});
        ASSERT_TRUE(output.accepted);
        expectBothFormatsReadBack(output.stepMatrix);
    }
}
