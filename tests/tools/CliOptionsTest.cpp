// The command-line tool's options: ranges come from the plug-in's own control
// declarations; every refusal is one clear line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/velmora/CliOptions.h"
#include "tools/velmora/FilterImage.h"

namespace {

struct Parsed {
    bool ok;
    cli::Options options;
    std::string error;
};

Parsed parse(std::vector<std::string> args, bool hostTool = false) {
    std::vector<char*> argv;
    static std::string program = "velmora";
    argv.push_back(program.data());
    for (auto& a : args) argv.push_back(a.data());
    Parsed p;
    p.ok = cli::parseOptions(int(argv.size()), argv.data(), hostTool, &p.options, &p.error);
    return p;
}

}  // namespace

TEST(CliOptions, AcceptsTheDialogRanges) {
    Parsed p = parse({"-b", "20", "--color=-2", "in.jpg"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.brightness, 20.0);
    EXPECT_EQ(p.options.color, -2.0);
    Parsed q = parse({"--brightness", "0", "-c", "2", "--rect", "3,5,371,391", "in.jpg"});
    ASSERT_TRUE(q.ok) << q.error;
    EXPECT_EQ(q.options.rect.top, 3);
    EXPECT_EQ(q.options.rect.right, 391);
    EXPECT_TRUE(q.options.hasRect);
}

TEST(CliOptions, RefusesValuesOutOfRangeOrMalformed) {
    for (auto args : std::vector<std::vector<std::string>>{{"-b", "20.5", "a.jpg"},
                                                           {"-b", "-1", "a.jpg"},
                                                           {"-b", "ten", "a.jpg"},
                                                           {"-b", "nan", "a.jpg"},
                                                           {"-c", "3", "a.jpg"},
                                                           {"-c", "-2.01", "a.jpg"},
                                                           {"--rect", "10,10,5,20", "a.jpg"},
                                                           {"--rect", "1,2,3", "a.jpg"},
                                                           {"--rect", "0,0,40000,10", "a.jpg"},
                                                           {"-q", "0", "a.jpg"},
                                                           {"-q", "90.5", "a.jpg"},
                                                           {"--fault", "explode:1", "a.jpg"},
                                                           {"--overwrite=no", "a.jpg"},
                                                           {"--frobnicate", "a.jpg"},
                                                           {"-b"},
                                                           {}}) {
        Parsed p = parse(args);
        EXPECT_FALSE(p.ok) << (args.empty() ? "(no arguments)" : args[0]);
        EXPECT_FALSE(p.error.empty());
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

TEST(CliOptions, SafetyOptionsAreOffUnlessGiven) {
    Parsed plain = parse({"a.png"});
    ASSERT_TRUE(plain.ok);
    EXPECT_FALSE(plain.options.overwrite || plain.options.acceptDamaged || plain.options.flatten);
    Parsed asked = parse({"--overwrite", "--accept-damaged", "--flatten", "a.png"});
    ASSERT_TRUE(asked.ok) << asked.error;
    EXPECT_TRUE(asked.options.overwrite && asked.options.acceptDamaged && asked.options.flatten);
}

TEST(CliOptions, TheWindowsHostNeedsItsPlugin) {
    EXPECT_FALSE(parse({"a.png"}, true).ok);
    EXPECT_TRUE(parse({"--plugin", "Velmora.8bf", "a.png"}, true).ok);
    EXPECT_FALSE(parse({"--plugin", "Velmora.8bf", "a.png"}, false).ok);  // not an option of velmora
    // Only the Windows host can show the plug-in's dialog.
    Parsed interactive = parse({"--plugin", "Velmora.8bf", "--dialog", "a.png"}, true);
    EXPECT_TRUE(interactive.ok);
    EXPECT_TRUE(interactive.options.dialog);
    EXPECT_FALSE(parse({"--dialog", "a.png"}, false).ok);
}

TEST(CliOptions, OutputPaths) {
    cli::Options o;
    EXPECT_EQ(cli::outputPathFor(o, "photos/beach.jpg"), "photos/beach-velmora.jpg");
    EXPECT_EQ(cli::outputPathFor(o, "beach.tif"), "beach-velmora.tif");
    o.output = "out.png";
    EXPECT_EQ(cli::outputPathFor(o, "photos/beach.jpg"), "out.png");
    o.output = "/tmp";
    EXPECT_EQ(cli::outputPathFor(o, "photos/beach.jpg"), "/tmp/beach-velmora.jpg");
    o.output = "not-yet/";  // a folder, though it does not exist (the plan then refuses it)
    EXPECT_EQ(cli::outputPathFor(o, "photos/beach.jpg"), "not-yet/beach-velmora.jpg");
}

TEST(CliOptions, ImagesTheInterfaceCannotCarryAreRefused) {
    cli::FilterJob job;
    std::string error;
    cli::Pixels small{349, 2000, 3, {}};
    EXPECT_FALSE(cli::checkFilterable(small, job, &error));
    EXPECT_NE(error.find("Image must be at least 350x350 pixels."), std::string::npos);
    cli::Pixels huge{40000, 400, 3, {}};
    EXPECT_FALSE(cli::checkFilterable(huge, job, &error));
    EXPECT_NE(error.find("32767"), std::string::npos);
    EXPECT_NE(error.find("40000 x 400 pixels (about "), std::string::npos) << error;  // the memory it would take
    cli::Pixels fine{350, 350, 3, {}};
    EXPECT_TRUE(cli::checkFilterable(fine, job, &error));
    job.hasRect = true;
    job.rect = {0, 0, 351, 100};
    EXPECT_FALSE(cli::checkFilterable(fine, job, &error));
}
