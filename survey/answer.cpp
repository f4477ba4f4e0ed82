#include "survey/answer.h"

#include "common/exit_status.h"
#include "survey/survey_json.h"
#include "survey/survey_text.h"

namespace survey {

Answer answerSurvey(const SurveyRequest& request, bool json)
{
    const Survey survey = runSurvey(request);
    const int status = survey.unmetRates.empty() ? common::exitSuccess : common::exitRateNotMet;
    return Answer{json ? std::vector<std::string>{surveyJson(request, survey)} : surveyTextLines(request, survey), status};
}

}  // namespace survey
