#include "builder/region_build.h"

#include "builder/alignments_writer.h"
#include "builder/region_compare.h"
#include "builder/stepmatrix_writer.h"

RegionTexts buildRegion(Dataset& data, int region, const CostModel& model,
                        const UserWeights& weights, CodedMatrix& coded,
                        const std::function<void(const std::string&)>& console, int threads,
                        const std::function<void(int row, int states)>& rowDone) {
    const int number = region + 1;
    RegionStates states;
    codeRegion(data, region, states, coded);
    RegionTexts texts;
    texts.stepMatrix = regionHeaderText(number, states);
    console(texts.stepMatrix);
    if (!isCodedRegion(states)) return texts;

    texts.alignments = alignmentsHeadingText(number);
    CostTables costs;
    compareRegionStates(
        states, data.missingCode, model, weights, costs, texts.alignments,
        [&](int g) {
            console(matrixRowText(states, costs, g));
            if (rowDone) rowDone(g, states.lastStateIndex + 1);
        },
        threads);
    for (int g = 0; g <= states.lastStateIndex; ++g) {
        texts.stepMatrix += matrixRowText(states, costs, g);
    }
    texts.stepMatrix += matrixEndText();
    console(consoleMatrixEndText());
    return texts;
}
