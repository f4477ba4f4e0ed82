// A survey as one JSON document, for build scripts and the web page. Pure.
#pragma once

#include <string>

#include "survey/link_survey.h"

namespace survey {

// The document, pretty-printed, without a final line feed. Numbers are
// written so that they read back as the same doubles; a value that does not
// exist for a row (the setting of an unreachable one, a setting that the
// generator does not use, a rate the PC cannot make) is null.
std::string surveyJson(const SurveyRequest& request, const Survey& survey);

// The texts of the survey's table cells, for the web page's table: an
// object with "rows", for each row its clock (MHz) and rate (Baud) and the
// cells of rowCells, and "crystals", the cells of choiceCells; compact.
std::string surveyCellsJson(const Survey& survey);

}  // namespace survey
