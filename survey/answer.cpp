#include "survey/answer.h"

#include "common/exit_status.h"
#include "survey/survey_json.h"
#include "survey/survey_text.h"

namespace survey {

int surveyExitStatus(const Survey& survey)
{
    if (!survey.unmetRates.empty()) {
        return common::exitRateNotMet;
    }
    return survey.unmadeRates.empty() ? common::exitSuccess : common::exitRateNotMade;
}

Answer answerSurvey(const SurveyRequest& request, bool json)
{
    const Survey survey = runSurvey(request);
    return Answer{json ? std::vector<std::string>{surveyJson(request, survey)} : surveyTextLines(request, survey),
                  surveyExitStatus(survey)};
}

}  // namespace survey
