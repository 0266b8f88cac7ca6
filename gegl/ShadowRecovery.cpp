// The GEGL operation velmora:shadow-recovery: a loadable module that puts the
// filter into GEGL and every program built on it (GIMP's GEGL Operation tool,
// the gegl command). The two controls are its properties, as the controls'
// table declares them; the work is one run of the plug-in's engine and renders
// on the whole input (gegl/ImageRun.h).
//
// The mask needs the whole image, so the operation asks for the whole input
// extent and computes it in one piece, however its callers split their
// requests. prepare() negotiates the format once; process() never asks again.
// Input it cannot filter passes through unchanged, with a warning where the
// user should know why: not RGB (greyscale, CMYK, ...), no bounds (a generator
// as input), too small or too large, one brightness everywhere, no memory.
// GEGL 0.4 has no way to stop an operation; a change of its settings while it
// works stops that run early, and the new settings are computed instead.
// Warnings go out as GEGL's own, naming the operation.
#define G_LOG_DOMAIN "GEGL"

#include <gegl-plugin.h>

#include <cstring>
#include <memory>
#include <new>

#include "engine/Controls.h"
#include "gegl/ImageRun.h"

namespace {

constexpr const char* kOperationName = "velmora:shadow-recovery";

struct VelmoraOperation {
    GeglOperationFilter parent_instance;
    gdouble brightness;  // as the user sees them
    gdouble color;
    gint settingsChanges;      // counts property changes (atomic): a run whose settings change starts again
    gint passThrough;          // set by prepare: the input's format is not one the filter takes
    const gchar* lastWarning;  // the last reason given for passing the input through (atomic)
};

struct VelmoraOperationClass {
    GeglOperationFilterClass parent_class;
};

enum { kPropertyBrightness = 1, kPropertyColor };

GeglOperationClass* parentClass = nullptr;

VelmoraOperation* self(GeglOperation* operation) { return reinterpret_cast<VelmoraOperation*>(operation); }

// How the input's pixels are filtered, and the format they are read and
// written in: the input's own colour space (its primaries and transfer curve)
// and alpha, in the depth the arithmetic takes.
enum class Route { PassThrough, EightBit, Deep };
struct Negotiated {
    Route route;
    const Babl* format;
};

Negotiated negotiate(const Babl* source) {
    if (source == nullptr) return {Route::EightBit, babl_format("R'G'B'A u8")};  // not connected yet
    if ((babl_get_model_flags(babl_format_get_model(source)) & BABL_MODEL_FLAG_RGB) == 0)
        return {Route::PassThrough, source};
    const bool alpha = babl_format_has_alpha(source) != 0;
    const Babl* space = babl_format_get_space(source);
    // 8-bit input gives the plug-in's bytes; deeper input (16-bit, half or
    // float) goes through the deep path at 16 bits, values outside 0..1 clipped.
    if (babl_format_get_type(source, 0) == babl_type("u8"))
        return {Route::EightBit, babl_format_with_space(alpha ? "R'G'B'A u8" : "R'G'B' u8", space)};
    return {Route::Deep, babl_format_with_space(alpha ? "R'G'B'A u16" : "R'G'B' u16", space)};
}

void prepare(GeglOperation* operation) {
    Negotiated n = negotiate(gegl_operation_get_source_format(operation, "input"));
    g_atomic_int_set(&self(operation)->passThrough, n.route == Route::PassThrough);
    gegl_operation_set_format(operation, "input", n.format);
    gegl_operation_set_format(operation, "output", n.format);
}

bool finite(const GeglRectangle* extent) { return extent != nullptr && !gegl_rectangle_is_infinite_plane(extent); }

// The whole input for any part of the output, when the input has bounds.
GeglRectangle requiredForOutput(GeglOperation* operation, const gchar*, const GeglRectangle* roi) {
    const GeglRectangle* extent = gegl_operation_source_get_bounding_box(operation, "input");
    return finite(extent) ? *extent : *roi;
}

GeglRectangle cachedRegion(GeglOperation* operation, const GeglRectangle* roi) {
    return requiredForOutput(operation, "input", roi);
}

// Says once per operation and reason why the input passes through.
void warnPassThrough(GeglOperation* operation, const gchar* why) {
    VelmoraOperation* op = self(operation);
    if (g_atomic_pointer_get(&op->lastWarning) == why) return;
    g_atomic_pointer_set(&op->lastWarning, why);
    g_warning("%s: %s The input is passed through unchanged.", kOperationName, why);
}

// Why the input passes through without a run: null to run, "" to pass it
// through without a word (nothing to filter).
const gchar* passThroughReason(GeglOperation* operation, const GeglRectangle* extent) {
    if (extent == nullptr || gegl_rectangle_is_empty(extent)) return "";
    if (!finite(extent)) return "The input has no bounds (a generator?); the filter needs a whole image.";
    if (g_atomic_int_get(&self(operation)->passThrough))
        return "The input is not RGB (greyscale, CMYK, ...); the filter takes RGB images only.";
    return nullptr;
}

gboolean operationProcess(GeglOperation* operation, GeglOperationContext* context, const gchar* outputPad,
                          const GeglRectangle* roi, gint level) {
    const gchar* why = passThroughReason(operation, gegl_operation_source_get_bounding_box(operation, "input"));
    if (why == nullptr) return parentClass->process(operation, context, outputPad, roi, level);
    GObject* input = gegl_operation_context_get_object(context, "input");
    if (input == nullptr) return FALSE;
    if (*why != '\0') warnPassThrough(operation, why);
    gegl_operation_context_take_object(context, "output", G_OBJECT(g_object_ref(input)));
    return TRUE;
}

// The run's questions to GEGL: whether its settings changed since it started,
// and how far it is (the node's progress signal).
struct RunWatch {
    GeglOperation* operation;
    gint changesAtStart;
};

bool settingsChanged(void* context) {
    const RunWatch* watch = static_cast<RunWatch*>(context);
    return g_atomic_int_get(&self(watch->operation)->settingsChanges) != watch->changesAtStart;
}

void reportProgress(void* context, double fraction) {
    static gchar message[] = "Velmora shadow recovery";
    gegl_operation_progress(static_cast<RunWatch*>(context)->operation, fraction, message);
}

gboolean filterProcess(GeglOperation* operation, GeglBuffer* input, GeglBuffer* output, const GeglRectangle*,
                       gint) {
    VelmoraOperation* op = self(operation);
    const GeglRectangle whole = *gegl_operation_source_get_bounding_box(operation, "input");
    const Babl* format = gegl_operation_get_format(operation, "output");
    const int pixelBytes = babl_format_get_bytes_per_pixel(format);
    const size_t bytes = size_t(whole.width) * size_t(whole.height) * size_t(pixelBytes);
    std::unique_ptr<uint8_t[]> in(new (std::nothrow) uint8_t[bytes]);
    std::unique_ptr<uint8_t[]> out(in ? new (std::nothrow) uint8_t[bytes] : nullptr);
    if (!out) {
        warnPassThrough(operation, outcomeText(RunOutcome::OutOfMemory));
        gegl_buffer_copy(input, &whole, GEGL_ABYSS_NONE, output, &whole);
        return TRUE;
    }
    gegl_buffer_get(input, &whole, 1.0, format, in.get(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
    std::memcpy(out.get(), in.get(), bytes);  // what the run does not write (alpha) stays the input's

    gint threads = 0;
    g_object_get(gegl_config(), "threads", &threads, nullptr);
    const int sampleBytes = babl_format_get_type(format, 0) == babl_type("u16") ? 2 : 1;
    const ImageBuffers image = {in.get(), out.get(),      whole.width, whole.height, pixelBytes,
                                ptrdiff_t(whole.width) * pixelBytes, sampleBytes};
    // GEGL keeps what process() returns as the output of the settings it has
    // now: a run whose settings change stops early and starts again with the
    // new ones (every run writes every colour sample).
    RunWatch watch = {operation, 0};
    RunOutcome outcome;
    do {
        watch.changesAtStart = g_atomic_int_get(&op->settingsChanges);
        outcome = runOnImage(image, op->brightness, op->color, threads,
                             RunCallbacks{settingsChanged, reportProgress, &watch});
    } while (outcome == RunOutcome::Cancelled);
    if (outcome != RunOutcome::Filtered) warnPassThrough(operation, outcomeText(outcome));
    const uint8_t* result = outcome == RunOutcome::Filtered ? out.get() : in.get();
    gegl_buffer_set(output, &whole, 0, format, result, GEGL_AUTO_ROWSTRIDE);
    return TRUE;
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* param) {
    VelmoraOperation* op = reinterpret_cast<VelmoraOperation*>(object);
    switch (id) {
        case kPropertyBrightness: op->brightness = g_value_get_double(value); break;
        case kPropertyColor: op->color = g_value_get_double(value); break;
        default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param); return;
    }
    g_atomic_int_inc(&op->settingsChanges);
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* param) {
    VelmoraOperation* op = reinterpret_cast<VelmoraOperation*>(object);
    switch (id) {
        case kPropertyBrightness: g_value_set_double(value, op->brightness); break;
        case kPropertyColor: g_value_set_double(value, op->color); break;
        default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param); break;
    }
}

// A control of the table as a property: its name, label, description, range
// and initial value as the user sees them, and its keyboard steps.
void installControl(GObjectClass* objectClass, guint id, const ControlSpec& c) {
    GParamSpec* property = gegl_param_spec_double(
        c.name, c.label, c.description, shownLow(c), shownHigh(c), shownInitial(c), shownLow(c), shownHigh(c), 1.0,
        GParamFlags(G_PARAM_READWRITE | G_PARAM_CONSTRUCT | G_PARAM_STATIC_STRINGS | GEGL_PARAM_PAD_INPUT));
    gegl_param_spec_double_set_steps(GEGL_PARAM_SPEC_DOUBLE(property), c.line, c.page);
    gegl_param_spec_double_set_digits(GEGL_PARAM_SPEC_DOUBLE(property), 0);
    g_object_class_install_property(objectClass, id, property);
}

void classInit(gpointer klass, gpointer) {
    parentClass = GEGL_OPERATION_CLASS(g_type_class_peek_parent(klass));
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = setProperty;
    objectClass->get_property = getProperty;
    installControl(objectClass, kPropertyBrightness, kShadowBrightness);
    installControl(objectClass, kPropertyColor, kColorIntensity);

    GeglOperationClass* operationClass = GEGL_OPERATION_CLASS(klass);
    operationClass->prepare = prepare;
    operationClass->process = operationProcess;
    operationClass->get_required_for_output = requiredForOutput;
    operationClass->get_cached_region = cachedRegion;
    operationClass->threaded = FALSE;  // one piece: the run shares its work among its own threads
    GEGL_OPERATION_FILTER_CLASS(klass)->process = filterProcess;
    gegl_operation_class_set_keys(
        operationClass, "name", kOperationName, "title", "Velmora Shadow Recovery", "categories", "light",
        "description",
        "Reveals detail hidden in the shadows: every pixel is divided by an edge-stopping estimate of its "
        "neighbourhood's brightness, so dark neighbourhoods brighten a lot, bright ones little, and edges keep "
        "their contrast. The arithmetic of the Velmora filter plug-in, byte for byte on 8-bit images.",
        nullptr);
}

const GeglModuleInfo moduleInfo = {GEGL_MODULE_ABI_VERSION};

}  // namespace

extern "C" {

G_MODULE_EXPORT const GeglModuleInfo* gegl_module_query(GTypeModule*) { return &moduleInfo; }

G_MODULE_EXPORT gboolean gegl_module_register(GTypeModule* module) {
    const GTypeInfo info = {sizeof(VelmoraOperationClass), nullptr, nullptr, classInit, nullptr, nullptr,
                            sizeof(VelmoraOperation),      0,       nullptr, nullptr};
    gegl_module_register_type(module, GEGL_TYPE_OPERATION_FILTER, "VelmoraShadowRecovery", &info, GTypeFlags(0));
    return TRUE;
}

}  // extern "C"
