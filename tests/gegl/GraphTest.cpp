// The GEGL operation in graphs, loaded from the build folder as GEGL loads
// any module (GEGL_PATH): it gives the plug-in's bytes however its output is
// asked for, abandons a run whose settings change under it, and passes input
// it cannot filter through unchanged, saying why where there is a reason.
#include <gegl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/PluginGlobals.h"
#include "tests/util/SceneImages.h"
#include "tools/velmora/FilterImage.h"

namespace {

// The operation's warnings (GEGL's, naming the operation).
std::vector<std::string> warnings;
void collectWarning(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
    if (std::string(message).rfind("velmora:shadow-recovery: ", 0) == 0) warnings.push_back(message);
}

cli::Pixels sceneWithAlpha(int width, int height) {
    testhost::HostImage planar = scenes::darkRoom(width, height, 4);
    const size_t count = size_t(width) * size_t(height);
    cli::Pixels p{width, height, 4, std::vector<uint8_t>(count * 4)};
    for (size_t i = 0; i < count; ++i)
        for (size_t b = 0; b < 4; ++b) p.data[i * 4 + b] = planar.data[b * count + i];
    return p;
}

// Pixels in `format` as a buffer source, then the operation.
class Graph {
public:
    Graph(const std::vector<uint8_t>& pixels, int width, int height, const char* format, double brightness = 10,
          double color = 0)
        : format_(babl_format(format)) {
        const GeglRectangle extent = {0, 0, width, height};
        buffer_ = gegl_buffer_new(&extent, format_);
        if (!pixels.empty()) gegl_buffer_set(buffer_, &extent, 0, format_, pixels.data(), GEGL_AUTO_ROWSTRIDE);
        GeglNode* source = gegl_node_new_child(graph_, "operation", "gegl:buffer-source", "buffer", buffer_, nullptr);
        op = gegl_node_new_child(graph_, "operation", "velmora:shadow-recovery", "brightness", brightness, "color",
                                 color, nullptr);
        gegl_node_link(source, op);
    }
    ~Graph() {
        g_object_unref(graph_);
        g_object_unref(buffer_);
    }
    // Rectangle r of the operation's output, in the source's format.
    std::vector<uint8_t> blit(const GeglRectangle& r) const {
        const int bytes = babl_format_get_bytes_per_pixel(format_);
        std::vector<uint8_t> out(size_t(r.width) * size_t(r.height) * size_t(bytes));
        gegl_node_blit(op, 1.0, &r, format_, out.data(), GEGL_AUTO_ROWSTRIDE, GEGL_BLIT_DEFAULT);
        return out;
    }

    GeglNode* op;

private:
    GeglNode* graph_ = gegl_node_new();
    const Babl* format_;
    GeglBuffer* buffer_;
};

TEST(GeglGraph, GivesThePluginsBytesHoweverTheOutputIsAsked) {
    ASSERT_TRUE(gegl_has_operation("velmora:shadow-recovery")) << "GEGL_PATH does not reach the module";
    const cli::Pixels input = sceneWithAlpha(500, 400);
    cli::Pixels expected = input;
    cli::FilterJob job;
    job.entry = &PluginMain;
    job.brightness = 15;
    job.color = -1;
    std::string error;
    ASSERT_EQ(cli::filterImage(expected, job, &error), 0) << error;
    ASSERT_NE(expected.data, input.data);

    warnings.clear();
    Graph graph(input.data, 500, 400, "R'G'B'A u8", 15, -1);
    EXPECT_EQ(graph.blit({0, 0, 500, 400}), expected.data);
    // Uneven pieces, the first of them at the far corner.
    std::vector<uint8_t> pieced(expected.data.size());
    for (GeglRectangle r : {GeglRectangle{311, 173, 189, 227}, {0, 0, 311, 400}, {311, 0, 189, 173}}) {
        std::vector<uint8_t> piece = graph.blit(r);
        for (int row = 0; row < r.height; ++row)
            std::copy_n(piece.begin() + ptrdiff_t(row) * r.width * 4, r.width * 4,
                        pieced.begin() + (ptrdiff_t(r.y + row) * 500 + r.x) * 4);
    }
    EXPECT_EQ(pieced, expected.data);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
}

// 16-bit and float input take the deep path: the tool's 16-bit result, read
// back at 16 bits (float input's samples are 16-bit values, exact in float).
TEST(GeglGraph, DeepInputGivesTheDeepPathsResult) {
    const cli::Pixels eight = sceneWithAlpha(450, 380);
    cli::Pixels input{450, 380, 4, std::vector<uint8_t>(eight.data.size() * 2), 16};
    uint16_t* wide = reinterpret_cast<uint16_t*>(input.data.data());
    std::vector<float> asFloat(eight.data.size());
    for (size_t i = 0; i < eight.data.size(); ++i) {  // between the 8-bit levels too
        wide[i] = uint16_t(eight.data[i] * 257 > 65535 - 200 ? 65535 : eight.data[i] * 257 + (i * 37) % 200);
        asFloat[i] = float(wide[i] / 65535.0);
    }
    cli::Pixels expected = input;
    cli::FilterJob job;
    job.entry = &PluginMain;
    job.brightness = 20;
    job.color = -2;
    std::string error;
    ASSERT_EQ(cli::filterImage(expected, job, &error), 0) << error;
    ASSERT_NE(expected.data, input.data);

    warnings.clear();
    EXPECT_EQ(Graph(input.data, 450, 380, "R'G'B'A u16", 20, -2).blit({0, 0, 450, 380}), expected.data);
    std::vector<uint8_t> floatBytes(asFloat.size() * sizeof(float));
    std::memcpy(floatBytes.data(), asFloat.data(), floatBytes.size());
    Graph fromFloat(floatBytes, 450, 380, "R'G'B'A float", 20, -2);
    std::vector<uint8_t> got(expected.data.size());
    gegl_node_blit(fromFloat.op, 1.0, GEGL_RECTANGLE(0, 0, 450, 380), babl_format("R'G'B'A u16"), got.data(),
                   GEGL_AUTO_ROWSTRIDE, GEGL_BLIT_DEFAULT);
    EXPECT_EQ(got, expected.data);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
}

int progressReports = 0;
void countProgress(GeglNode*, gdouble, gchar*, gpointer) { ++progressReports; }
void changeBrightnessOnce(GeglNode* node, gdouble, gchar*, gpointer) {
    if (progressReports == 1) gegl_node_set(node, "brightness", 5.0, nullptr);
}

// What GEGL keeps is the output of the settings it has when the run ends.
TEST(GeglGraph, ARunWhoseSettingsChangeStartsAgainWithTheNewOnes) {
    const cli::Pixels input = sceneWithAlpha(400, 400);
    cli::Pixels expected = input;
    cli::FilterJob job;
    job.entry = &PluginMain;
    job.brightness = 5;
    std::string error;
    ASSERT_EQ(cli::filterImage(expected, job, &error), 0) << error;

    Graph whole(input.data, 400, 400, "R'G'B'A u8");
    g_signal_connect(whole.op, "progress", G_CALLBACK(countProgress), nullptr);
    progressReports = 0;
    whole.blit({0, 0, 400, 400});
    const int reportsOfARun = progressReports;

    warnings.clear();
    Graph changed(input.data, 400, 400, "R'G'B'A u8");
    g_signal_connect(changed.op, "progress", G_CALLBACK(countProgress), nullptr);
    g_signal_connect(changed.op, "progress", G_CALLBACK(changeBrightnessOnce), nullptr);
    progressReports = 0;
    EXPECT_EQ(changed.blit({0, 0, 400, 400}), expected.data);
    EXPECT_LT(progressReports, reportsOfARun + 3) << "the first run went on after the change";
    EXPECT_TRUE(warnings.empty());
}

TEST(GeglGraph, InputItCannotFilterPassesThrough) {
    struct Case {
        int width, height;
        const char* format;
        uint8_t flat;  // 0: the scene's pixels
        const char* why;
    };
    for (const Case& c : {Case{349, 400, "R'G'B'A u8", 0, "at least 350x350"},
                          Case{400, 400, "R'G'B'A u8", 90, "same brightness everywhere"},
                          Case{400, 400, "Y' u8", 0, "not RGB"}, Case{400, 400, "CMYK u8", 0, "not RGB"},
                          Case{0, 0, "R'G'B'A u8", 0, nullptr}}) {
        SCOPED_TRACE(c.format);
        const int bytes = babl_format_get_bytes_per_pixel(babl_format(c.format));
        std::vector<uint8_t> input = sceneWithAlpha(c.width, c.height).data;
        input.resize(size_t(c.width) * size_t(c.height) * size_t(bytes));
        if (c.flat) std::fill(input.begin(), input.end(), c.flat);
        warnings.clear();
        Graph graph(input, c.width, c.height, c.format);
        if (c.why == nullptr) {  // an empty input: nothing around it, nothing to say
            EXPECT_EQ(graph.blit({0, 0, 16, 16}), std::vector<uint8_t>(16 * 16 * 4, 0));
            EXPECT_TRUE(warnings.empty());
            continue;
        }
        EXPECT_EQ(graph.blit({0, 0, c.width, c.height}), input);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find(c.why), std::string::npos) << warnings[0];
    }
}

TEST(GeglGraph, AGeneratorAsInputPassesThrough) {
    warnings.clear();
    GeglNode* graph = gegl_node_new();
    GeglNode* pattern = gegl_node_new_child(graph, "operation", "gegl:checkerboard", nullptr);
    GeglNode* op = gegl_node_new_child(graph, "operation", "velmora:shadow-recovery", nullptr);
    gegl_node_link(pattern, op);
    const GeglRectangle r = {-40, 7, 64, 64};
    std::vector<uint8_t> expected(64 * 64 * 4), filtered(64 * 64 * 4);
    const Babl* format = babl_format("R'G'B'A u8");
    gegl_node_blit(pattern, 1.0, &r, format, expected.data(), GEGL_AUTO_ROWSTRIDE, GEGL_BLIT_DEFAULT);
    gegl_node_blit(op, 1.0, &r, format, filtered.data(), GEGL_AUTO_ROWSTRIDE, GEGL_BLIT_DEFAULT);
    EXPECT_EQ(filtered, expected);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("no bounds"), std::string::npos) << warnings[0];
    g_object_unref(graph);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    gegl_init(&argc, &argv);
    g_log_set_handler("GEGL", G_LOG_LEVEL_WARNING, collectWarning, nullptr);
    int result = RUN_ALL_TESTS();
    gegl_exit();
    return result;
}
