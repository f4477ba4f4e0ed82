// What korvane-baud prints for a survey request, decided without printing,
// for the program and for the web page alike.
#pragma once

#include <string>
#include <vector>

#include "survey/link_survey.h"

namespace survey {

struct Answer {
    std::vector<std::string> lines;  // standard output
    int exitStatus;                  // surveyExitStatus
};

// exitRateNotMet when a rate is met by no clock and generator, otherwise
// exitRateNotMade when the PC's adapter cannot make one, otherwise
// exitSuccess.
int surveyExitStatus(const Survey& survey);

// The survey as text, or as one JSON document.
Answer answerSurvey(const SurveyRequest& request, bool json);

}  // namespace survey
