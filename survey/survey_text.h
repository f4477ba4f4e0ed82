// The survey as text for a terminal or a pipe: a block per clock and rate
// with every generator's setting, or the crystals that serve every rate,
// best first. Within 80 columns for one clock. Pure: the caller prints.
#pragma once

#include <string>
#include <vector>

#include "survey/link_survey.h"

namespace survey {

std::vector<std::string> surveyTextLines(const SurveyRequest& request, const Survey& survey);

}  // namespace survey
