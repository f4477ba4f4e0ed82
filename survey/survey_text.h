// The survey as text for a terminal or a pipe: a block per clock and rate
// with every generator's setting, or the crystals that serve every rate,
// best first. Within 80 columns for one clock. Pure: the caller prints.
#pragma once

#include <string>
#include <vector>

#include "survey/link_survey.h"

namespace survey {

std::vector<std::string> surveyTextLines(const SurveyRequest& request, const Survey& survey);

// The cells of a clock survey's row as the text shows them: gen (with * for
// the closest), reload, SMOD, PRE, resulting, deviation, met, link error,
// 10-bit and 11-bit; a row that no setting reaches has "-" after the
// generator and "no" for met.
std::vector<std::string> rowCells(const SurveyRow& row);

// The cells of a crystal search's choice: crystal MHz, gen, worst deviation,
// worst link error, 10-bit and 11-bit.
std::vector<std::string> choiceCells(const CrystalChoice& choice);

}  // namespace survey
