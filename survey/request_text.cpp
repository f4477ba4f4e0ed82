#include "survey/request_text.h"

#include <algorithm>

#include "calculator/number_text.h"
#include "common/real_text.h"

namespace survey {

namespace {

// The items of a comma-separated list; false for an empty list or item.
bool splitList(const std::string& text, std::vector<std::string>& items)
{
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty()) {
            return false;
        }
        items.push_back(item);
        if (comma == std::string::npos) {
            return true;
        }
        start = comma + 1;
    }
}

// Why `item` of the option's value is no clock (MHz, stored in Hz), or "".
std::string readClock(const std::string& item, double& clock)
{
    double megahertz = 0.0;
    if (!common::parseReal(item, megahertz)) {
        return item + " is not a number";
    }
    if (!calculator::clockFromMegahertz(megahertz, clock) || !(megahertz <= maxClockMegahertz)) {
        return item + " is out of range (above 0, at most " + calculator::fixedText(maxClockMegahertz, 0, 0) + " MHz)";
    }
    return "";
}

std::string readRate(const std::string& item, double& rate)
{
    if (!common::parseReal(item, rate)) {
        return item + " is not a number";
    }
    if (!calculator::isBaudrateInRange(rate) || !(rate <= maxRate)) {
        return item + " is out of range (above 0, at most " + calculator::fixedText(maxRate, 0, 0) + " Baud)";
    }
    return "";
}

std::string readGenerator(const std::string& item, calculator::GeneratorKind& generator)
{
    return calculator::findGenerator(item, generator) ? "" : item + " is no generator (T1, T2, BG, BA or D1)";
}

// Reads every item of a list option into `values`.
template <typename Value, typename ReadItem>
std::string readList(const char* name, const std::string& text, std::vector<Value>& values, ReadItem readItem)
{
    std::vector<std::string> items;
    if (!splitList(text, items)) {
        return std::string("--") + name + " '" + text + "': an empty item";
    }
    for (const std::string& item : items) {
        Value value{};
        const std::string why = readItem(item, value);
        if (!why.empty()) {
            return std::string("--") + name + " '" + text + "': " + why;
        }
        values.push_back(value);
    }
    return "";
}

}  // namespace

std::string readClocks(const std::string& text, SurveyRequest& request)
{
    return readList("clock", text, request.clocks, readClock);
}

std::string readRates(const std::string& text, SurveyRequest& request)
{
    return readList("rate", text, request.rates, readRate);
}

std::string readGenerators(const std::string& text, SurveyRequest& request)
{
    std::vector<calculator::GeneratorKind> named;
    const std::string why = readList("generator", text, named, readGenerator);
    // A generator named twice is one generator: listed once, where first named.
    for (const calculator::GeneratorKind generator : named) {
        if (std::find(request.generators.begin(), request.generators.end(), generator) == request.generators.end()) {
            request.generators.push_back(generator);
        }
    }
    return why;
}

std::string readAccuracy(const std::string& text, SurveyRequest& request)
{
    double percent = 0.0;
    if (!common::parseReal(text, percent)) {
        return "--accuracy '" + text + "': not a number";
    }
    if (!calculator::accuracyFromPercent(percent, request.accuracy)) {
        return "--accuracy '" + text + "': out of range (0 to 5 %)";
    }
    return "";
}

std::string readAdapter(const std::string& text, SurveyRequest& request)
{
    return findAdapter(text, request.adapter) ? ""
                                              : "--adapter '" + text + "': no such adapter (exact, 16550, ftdi or ch340)";
}

std::string completeRequest(bool clocksGiven, bool ratesGiven, SurveyRequest& request)
{
    if (!clocksGiven && !ratesGiven) {
        return "give the clocks to survey (--clock) or the rates to find crystals for (--rate)";
    }
    if (!ratesGiven) {
        request.rates = standardRates();
    }
    if (request.generators.empty()) {
        for (int index = 0; index < calculator::generatorCount; ++index) {
            request.generators.push_back(static_cast<calculator::GeneratorKind>(index));
        }
    }
    return "";
}

}  // namespace survey
