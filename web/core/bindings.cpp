// The functions that the web page calls: mardeluk's run and korvane-baud's
// answer for the texts the user typed, from the same core as the programs.
// Each call keeps its texts until the next one; the page reads them at once.
#include <string>
#include <vector>

#include "answer.h"
#include "run_plan.h"
#include "texts.h"

namespace {

std::string report;
std::string includeFile;
bool writesFile = false;
std::string baudOut;
std::string baudErr;

// `count` texts separated by line feeds: no text field holds one.
std::vector<std::string> splitTexts(const char* joined, int count)
{
    std::vector<std::string> texts;
    const std::string all = joined;
    size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const size_t end = all.find('\n', start);
        texts.push_back(all.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? all.size() : end + 1;
    }
    return texts;
}

std::string joinedLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

}  // namespace

extern "C" {

// mardeluk with `count` parameters; returns its exit status when the file,
// if any, was written. Standard output is then korvaneReport().
int korvaneMardeluk(const char* parameters, int count)
{
    std::vector<std::string> texts = splitTexts(parameters, count);
    for (std::string& text : texts) {
        text = cutText(text);
    }
    const RunPlan plan = planRun(texts);
    report = joinedLines(plan.linesBeforeFile) + joinedLines(plan.linesAfterFile);
    writesFile = plan.writesFile;
    includeFile = plan.fileText;
    return plan.exitStatus;
}

const char* korvaneReport()
{
    return report.c_str();
}

int korvaneWritesFile()
{
    return writesFile ? 1 : 0;
}

const char* korvaneIncludeFile()
{
    return includeFile.c_str();
}

// korvane-baud with `count` arguments; returns its exit status. Standard
// output and standard error are then korvaneBaudOut() and korvaneBaudErr().
int korvaneBaud(const char* arguments, int count)
{
    std::vector<std::string> texts = splitTexts(arguments, count);
    texts.insert(texts.begin(), "korvane-baud");
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    const Answer answer = answerCommandLine(static_cast<int>(texts.size()), argv.data());
    baudOut = joinedLines(answer.outLines);
    baudErr = joinedLines(answer.errLines);
    return answer.exitStatus;
}

const char* korvaneBaudOut()
{
    return baudOut.c_str();
}

const char* korvaneBaudErr()
{
    return baudErr.c_str();
}

}  // extern "C"
