// korvane-baud's command line on fuzzed arguments: an error is one message
// with the hint to --help; a run asks for clocks, rates and an accuracy in
// range, and its survey has a row for every clock, rate and generator and
// reads back as JSON.
#include <nlohmann/json.hpp>

#include "fuzz_support.h"
#include "korvane-baud/command_line.h"
#include "survey/request_text.h"
#include "survey/survey_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> arguments = argumentsOf(data, size);
    arguments.insert(arguments.begin(), korvane_baud::programName);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const korvane_baud::CommandLine commandLine = korvane_baud::readCommandLine(static_cast<int>(arguments.size()), argv.data());
    if (commandLine.request == korvane_baud::Request::Fail) {
        const std::string hint = "; try 'korvane-baud --help'";
        FUZZ_CHECK(commandLine.errorText.size() > hint.size() &&
                       commandLine.errorText.compare(commandLine.errorText.size() - hint.size(), hint.size(), hint) == 0,
                   commandLine.errorText);
        return 0;
    }
    if (commandLine.request != korvane_baud::Request::Run) {
        return 0;
    }
    const survey::SurveyRequest& request = commandLine.survey;
    FUZZ_CHECK(!request.rates.empty() && !request.generators.empty(), "rates and generators");
    for (double clock : request.clocks) {
        FUZZ_CHECK(clock > 0 && clock <= survey::maxClockMegahertz * 1000000, std::to_string(clock));
    }
    for (double rate : request.rates) {
        FUZZ_CHECK(rate > 0 && rate <= survey::maxRate, std::to_string(rate));
    }
    FUZZ_CHECK(request.accuracy >= 0 && request.accuracy <= 0.05, std::to_string(request.accuracy));
    const size_t clocks = request.clocks.empty() ? survey::standardCrystals().size() : request.clocks.size();
    if (clocks * request.rates.size() * request.generators.size() > 2000) {
        return 0;
    }
    const survey::Survey survey = survey::runSurvey(request);
    FUZZ_CHECK(survey.rows.size() == clocks * request.rates.size() * request.generators.size(), "one row each");
    const nlohmann::json document = nlohmann::json::parse(survey::surveyJson(request, survey));
    FUZZ_CHECK(document["rows"].size() == survey.rows.size(), "JSON rows");
    return 0;
}
