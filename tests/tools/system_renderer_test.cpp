// Where the renderer looks for the system's wkhtmltopdf: the variable first,
// then PATH; a variable that names no program is said so, not passed over.
#include "renderer_host.h"
#include "system_renderer.h"

#include "base/paths.h"

#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A file the system would run, named as the system renderer is here.
fs::path MakeProgram(const fs::path& folder, const std::string& name = kRendererFileName)
{
    fs::create_directories(folder);
    const fs::path program = folder / name;
    WriteTextFile(program, "#!/bin/sh\nexit 0\n");
    fs::permissions(program, fs::perms::owner_all);
    return program;
}

struct LookupCase {
    const char* name;
    bool variableSet;          // CORVALE_WKHTMLTOPDF names ...
    bool variableIsProgram;    // ... a program (else a missing file)
    bool onPath;               // a wkhtmltopdf in the one PATH folder
    const char* expected;      // "variable", "path", or "none"
};

// Cases print as their names in test listings.
void PrintTo(const LookupCase& c, std::ostream* out) { *out << c.name; }

class SystemRendererLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(SystemRendererLookup, FollowsTheOrder)
{
    const LookupCase& c = GetParam();
    TempDir dir;
    const fs::path named = c.variableIsProgram ? MakeProgram(dir / "named", "my-renderer")
                                               : dir / "named" / "missing";
    const fs::path onPath = MakeProgram(dir / "bin");
    if (!c.onPath) fs::remove(onPath);
    ScopedEnv path("PATH", PathText(dir / "bin"));
    ScopedEnv variable(kRendererVariable, c.variableSet ? std::optional<std::string>(PathText(named)) : std::nullopt);

    std::string missing;
    const std::optional<fs::path> found = FindSystemRenderer(missing);
    const std::string expected = c.expected;
    if (expected == "variable") {
        ASSERT_TRUE(found);
        EXPECT_TRUE(fs::equivalent(*found, named));
    } else if (expected == "path") {
        ASSERT_TRUE(found);
        EXPECT_TRUE(fs::equivalent(*found, onPath));
    } else {
        // The machine's own wkhtmltopdf may stand in the usual places: only
        // a variable that names nothing is certain to find none.
        ASSERT_FALSE(found);
        EXPECT_NE(missing.find(kRendererVariable), std::string::npos) << missing;
        EXPECT_NE(missing.find(PathText(named)), std::string::npos) << missing;
    }
}

INSTANTIATE_TEST_SUITE_P(Order, SystemRendererLookup,
    testing::Values(
        LookupCase{"VariableBeforePath", true, true, true, "variable"},
        LookupCase{"VariableAlone", true, true, false, "variable"},
        LookupCase{"PathWithoutVariable", false, false, true, "path"},
        LookupCase{"VariableNamingNothingIsNotPassedOver", true, false, true, "none"}),
    [](const testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

}  // namespace
