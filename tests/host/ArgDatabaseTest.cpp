#include "host/UnwrapCommandSyntax.h"
#include "hostapi/MArgDatabase.h"

#include <gtest/gtest.h>

namespace {

MArgList argumentsOf(std::initializer_list<const char*> words) {
    MArgList list;
    for (const char* word : words)
        list.addArg(word);
    return list;
}

} // namespace

TEST(ArgDatabase, ReadsUnwrapFlagsByShortAndLongNames) {
    const MSyntax syntax = unwrapCommandSyntax();
    MStatus status;
    const MArgDatabase database(
        syntax,
        argumentsOf({"-t", "2", "-keep_seams", "on", "-ga", "45.5", "-pad", "4", "-rotation", "3", "-mc", "uvSet2"}),
        &status);
    ASSERT_TRUE(status) << database.errorText();
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    readUnwrapFlags(database, settings);
    EXPECT_EQ(settings.unwrap_type, 2);
    EXPECT_TRUE(settings.keep_seams);
    EXPECT_DOUBLE_EQ(settings.groove_angle, 45.5);
    EXPECT_DOUBLE_EQ(settings.padding, 4.0);
    EXPECT_EQ(settings.rotation, 3);
    EXPECT_EQ(settings.uv_set, MString("uvSet2"));
    EXPECT_DOUBLE_EQ(settings.stretch, 0.15); // untouched flags keep the defaults
}

TEST(ArgDatabase, RejectsUnknownFlagsMissingAndMistypedArguments) {
    const MSyntax syntax = unwrapCommandSyntax();
    const struct {
        std::initializer_list<const char*> words;
        const char* message;
    } cases[] = {
        {{"-x", "1"}, "unknown flag '-x'"},
        {{"-t"}, "flag '-t' needs an integer"},
        {{"-t", "two"}, "flag '-t' needs an integer, not 'two'"},
        {{"-st", "nan"}, "flag '-st' needs a number"},
        {{"-ks", "maybe"}, "flag '-ks' needs a boolean"},
        {{"-t", "99999999999"}, "needs an integer"},
        {{"loose"}, "unexpected argument 'loose'"},
    };
    for (const auto& testCase : cases) {
        MStatus status;
        const MArgDatabase database(syntax, argumentsOf(testCase.words), &status);
        EXPECT_FALSE(status);
        EXPECT_NE(database.errorText().find(testCase.message), std::string::npos) << database.errorText();
    }
}
