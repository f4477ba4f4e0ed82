#include "calculator/include_reader.h"

#include <gtest/gtest.h>

#include "calculator/include_file.h"

namespace calculator {

namespace {

struct WrittenFile {
    BaudSettings settings;
    BaudResult result;
    std::string text;
};

// korvane.inc as a run of mardeluk with these parameters writes it.
WrittenFile writtenFile(const std::vector<std::string>& parameters)
{
    const ParameterOutcome outcome = readParameters(parameters);
    EXPECT_EQ(outcome.status, StatusCode::Ok);
    const Calculation calculation = calculateSettings(outcome.settings);
    EXPECT_NE(calculation.status, StatusCode::CannotGenerate);
    return {outcome.settings, calculation.result, includeFileText(outcome.settings, calculation.result)};
}

std::string withCrLf(const std::string& text)
{
    std::string crLf;
    for (const char c : text) {
        crLf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return crLf;
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(IncludeReader, ReadsBackWhatMardelukWrote)
{
    const std::vector<std::vector<std::string>> runs = {
        {"57600", "T1", "5", "11.0592"}, {"9600", "T2", "5", "12"},     {"4800", "BG", "5", "12"},
        {"19200", "BA", "5", "22.1184"}, {"57600", "D1", "5", "11.0592"}, {"9600", "D1", "5", "12"},
        {"19200", "D1", "5", "22.1184"},
        {"168.75", "BA", "5", "11.0592"},  // reload 0: the whole count
    };
    bool prescaleSeen[2] = {false, false};
    for (const std::vector<std::string>& run : runs) {
        SCOPED_TRACE(run[0] + " " + run[1] + " " + run[3]);
        const WrittenFile file = writtenFile(run);
        for (const std::string& text : {file.text, withCrLf(file.text)}) {
            IncludeFacts facts{};
            std::string why;
            ASSERT_TRUE(readIncludeFile(text, facts, why)) << why;
            EXPECT_EQ(facts.generator, file.settings.generator);
            EXPECT_EQ(facts.clock, file.settings.clock);
            EXPECT_EQ(facts.nominal, file.settings.baudrate);
            EXPECT_EQ(facts.settings.reload, file.result.reload);
            EXPECT_EQ(facts.settings.smod, file.result.smod);
            EXPECT_EQ(facts.settings.prescale, file.result.prescale);
            EXPECT_EQ(facts.settings.resultingBaud, file.result.resultingBaud);
            EXPECT_EQ(facts.settings.deviation, file.result.deviation);
        }
        if (file.settings.generator == GeneratorKind::D1) {
            prescaleSeen[file.result.prescale == prescaleClockBy4 ? 1 : 0] = true;
        }
    }
    EXPECT_TRUE(prescaleSeen[0] && prescaleSeen[1]) << "D1 at clock/12 and clock/4";
}

TEST(IncludeReader, RefusesWhatIsNoKorvaneInc)
{
    const std::string t1 = writtenFile({"9600", "T1", "1", "11.0592"}).text;
    const std::string ba = writtenFile({"9600", "BA", "1", "11.0592"}).text;
    const std::string d1 = writtenFile({"9600", "D1", "5", "12"}).text;
    const std::string clockLine = "frequency:  11.0592 MHz";
    struct Case {
        const char* what;
        std::string text;
        const char* why;
    };
    const Case cases[] = {
        {"empty", "", "empty"},
        {"binary", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\n", 11), "not plain text"},
        {"a C file", "#include <stdio.h>\n\nint main(void)\n{\n    return 0;\n}\n", "line 1 is not one that mardeluk writes"},
        {"cut in half", t1.substr(0, t1.size() / 2), "the last line has no line end"},
        {"cut before CHARTIME", t1.substr(0, t1.find("\tCHARTIME")), "CHARTIME is missing"},
        {"chip line twice", replaced(t1, "\tRELOAD", "\tINTEL8051  EQU 0\n\tRELOAD"), "two chip lines"},
        {"no chip line", replaced(t1, "\tINTEL8051  EQU 0\n", ""), "no generator's chip line"},
        {"RELOAD missing for T1", replaced(t1, "\tRELOAD     EQU 0FDH\n", ""), "RELOAD is missing"},
        {"RELOAD beyond a byte", replaced(t1, "EQU 0FDH", "EQU 0100H"), "RELOAD is not a byte"},
        {"RELOAD beyond 10 bits", replaced(ba, "EQU 03EEH", "EQU 0400H"), "RELOAD is not a 10-bit value"},
        {"RELOAD in decimal", replaced(t1, "EQU 0FDH", "EQU 253"), "RELOAD is malformed"},
        {"PRESCALE for T1", replaced(t1, "\n\tTIMEBASE", "\tPRESCALE   EQU 1\n\n\tTIMEBASE"),
         "PRESCALE where the generator has none"},
        {"PRESCALE of 2", replaced(d1, "PRESCALE   EQU 011H", "PRESCALE   EQU 2"), "PRESCALE is neither 1 nor 011H"},
        {"nan as the clock", replaced(t1, clockLine, "frequency:  nan MHz"), "clock is not a number"},
        {"a clock beyond a double", replaced(t1, clockLine, "frequency:  1e400 MHz"), "clock is not finite"},
        {"a zero rate", replaced(t1, "9600.0 Baud\n", "0.0 Baud\n"), "nominal rate is out of range"},
        // Another precision than mardeluk's would not read back as written.
        {"a clock to five decimals", replaced(t1, clockLine, "frequency:  11.05920 MHz"),
         "clock is not as mardeluk writes it"},
        {"SMOD of 081H", replaced(t1, "SMOD       EQU 0\n", "SMOD       EQU 081H\n"), "SMOD is neither 0 nor 080H"},
    };
    for (const Case& c : cases) {
        IncludeFacts facts{};
        std::string why;
        EXPECT_FALSE(readIncludeFile(c.text, facts, why)) << c.what;
        EXPECT_EQ(why, c.why) << c.what;
    }
}

}  // namespace

}  // namespace calculator
