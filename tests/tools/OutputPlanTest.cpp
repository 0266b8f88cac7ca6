// The output plan: every output of a run is checked against every file the run
// reads and every other output before anything is written. The file system is
// a table here, so links and spellings are stated, not made.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tools/velmora/OutputPlan.h"

namespace {

// Paths with the same entry or file id name the same place; a path not in
// the table does not exist, in an existing folder.
struct FakeFiles {
    std::map<std::string, cli::PathFacts> table;
    void add(const std::string& path, const std::string& entry, const std::string& fileId, bool folder = false) {
        cli::PathFacts f;
        f.folderExists = true;
        f.exists = true;
        f.isFolder = folder;
        f.entry = entry;
        f.fileId = fileId;
        table[path] = f;
    }
    cli::PathFacts operator()(const std::string& path) const {
        auto it = table.find(path);
        if (it != table.end()) return it->second;
        cli::PathFacts f;
        f.folderExists = path.rfind("missing/", 0) != 0;
        f.entry = "/abs/" + path;
        return f;
    }
};

bool anyFormat(const std::string&, std::string*) { return true; }

struct Result {
    bool ok;
    std::vector<cli::PlannedFile> plan;
    std::string error;
};

Result plan(const cli::Options& o, const FakeFiles& files) {
    Result r;
    r.ok = cli::planOutputs(o, files, anyFormat, &r.plan, &r.error);
    EXPECT_EQ(r.error.find('\n'), std::string::npos);
    return r;
}

cli::Options inputs(std::vector<std::string> paths) {
    cli::Options o;
    o.inputs = std::move(paths);
    return o;
}

}  // namespace

TEST(OutputPlan, AnOutputThatIsAnotherInputIsRefusedBeforeAnythingIsWritten) {
    FakeFiles files;
    files.add("a.jpg", "/abs/a.jpg", "1:10");
    files.add("a-velmora.jpg", "/abs/a-velmora.jpg", "1:11");
    Result r = plan(inputs({"a.jpg", "a-velmora.jpg"}), files);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("would overwrite the input a-velmora.jpg"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("nothing was written"), std::string::npos);

    // The same through a hard link (same file, other entry) and through another spelling (same entry).
    files.add("b.jpg", "/abs/b.jpg", "1:12");
    files.add("b-velmora.jpg", "/abs/elsewhere/hard-link.jpg", "1:10");
    cli::Options linked = inputs({"b.jpg", "a.jpg"});
    linked.overwrite = true;  // it exists: only being an input may stop it
    Result r1 = plan(linked, files);
    EXPECT_FALSE(r1.ok);
    EXPECT_NE(r1.error.find("would overwrite the input a.jpg"), std::string::npos) << r1.error;
    cli::Options spelled = inputs({"b.jpg", "a.jpg"});
    spelled.output = "x/../a.jpg";
    files.add("x/../a.jpg", "/abs/a.jpg", "");  // the entry alone says it is a.jpg
    spelled.inputs = {"a.jpg"};
    Result r2 = plan(spelled, files);
    EXPECT_FALSE(r2.ok);
    EXPECT_NE(r2.error.find("a.jpg: the output would overwrite the input"), std::string::npos) << r2.error;
}

TEST(OutputPlan, TwoInputsWrittenToOneOutputAreRefused) {
    FakeFiles files;
    files.add("d1/a.jpg", "/abs/d1/a.jpg", "1:1");
    files.add("d2/a.jpg", "/abs/d2/a.jpg", "1:2");
    files.add("out", "/abs/out", "1:3", true);
    cli::Options o = inputs({"d1/a.jpg", "d2/a.jpg"});
    o.output = "out/";
    Result r = plan(o, files);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("d1/a.jpg and d2/a.jpg would both be written to out/a-velmora.jpg"), std::string::npos)
        << r.error;
    // The same input given twice.
    EXPECT_FALSE(plan(inputs({"d1/a.jpg", "d1/a.jpg"}), files).ok);
    // Different names are fine, and the plan keeps the inputs' order.
    Result fine = plan(inputs({"d2/a.jpg", "d1/a.jpg"}), files);
    ASSERT_TRUE(fine.ok) << fine.error;
    ASSERT_EQ(fine.plan.size(), 2u);
    EXPECT_EQ(fine.plan[0].output, "d2/a-velmora.jpg");
    EXPECT_EQ(fine.plan[1].output, "d1/a-velmora.jpg");
}

TEST(OutputPlan, AnExistingOutputIsReplacedOnlyWhenAsked) {
    FakeFiles files;
    files.add("a.jpg", "/abs/a.jpg", "1:1");
    files.add("a-velmora.jpg", "/abs/a-velmora.jpg", "1:2");
    cli::Options o = inputs({"a.jpg"});
    Result r = plan(o, files);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("already exists; give --overwrite"), std::string::npos) << r.error;
    o.overwrite = true;
    EXPECT_TRUE(plan(o, files).ok);
    // Even with --overwrite, an input is never replaced.
    o.output = "a.jpg";
    EXPECT_FALSE(plan(o, files).ok);
}

TEST(OutputPlan, TheSelectionMaskIsNeverReplaced) {
    FakeFiles files;
    files.add("a.jpg", "/abs/a.jpg", "1:1");
    files.add("mask.png", "/abs/mask.png", "1:2");
    cli::Options o = inputs({"a.jpg"});
    o.selection = "mask.png";
    o.output = "mask.png";
    o.overwrite = true;
    Result r = plan(o, files);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("selection mask"), std::string::npos) << r.error;
}

TEST(OutputPlan, MissingFoldersAndFolderNamesAreSaidInTheUsersTerms) {
    FakeFiles files;
    files.add("a.jpg", "/abs/a.jpg", "1:1");
    cli::Options o = inputs({"a.jpg"});
    o.output = "missing/out.jpg";
    Result r = plan(o, files);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("missing/out.jpg: the folder missing does not exist"), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find(".tmp"), std::string::npos);
    // A trailing slash names a folder even when it does not exist yet.
    o.output = "missing/";
    r = plan(o, files);
    EXPECT_NE(r.error.find("missing/a-velmora.jpg: the folder missing does not exist"), std::string::npos) << r.error;
}

TEST(OutputPlan, AnOutputFormatTheToolCannotWriteIsRefusedFirst) {
    FakeFiles files;
    cli::Options o = inputs({"a.jpg"});
    o.output = "out.bmp";
    std::vector<cli::PlannedFile> p;
    std::string error;
    auto jpegOnly = [](const std::string& path, std::string* e) {
        if (path.size() > 4 && path.substr(path.size() - 4) == ".jpg") return true;
        *e = path + ": unsupported output format";
        return false;
    };
    EXPECT_FALSE(cli::planOutputs(o, files, jpegOnly, &p, &error));
    EXPECT_NE(error.find("out.bmp: unsupported output format"), std::string::npos) << error;
}
