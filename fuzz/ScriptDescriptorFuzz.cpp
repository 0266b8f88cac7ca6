// The scripting descriptor of a replayed action step, as readScriptParameters
// reads it. A harness host replays what the input decides: which records and
// procedures are there, the play mode, whether the open gives a reader, then
// a sequence of keys (Amount, Vibrance, zero, any code) with declared types,
// flags, values and errors of getFloatProc, and the result of the close.
//
// Checked against a model of the reading: the values taken and the error
// returned, that the plug-in calls nothing it may not (no value without a
// key, nothing after the close, no second close or dispose), closes the
// reader it opened, disposes the descriptor handle exactly once and decides
// the dialog from playInfo. Then the values go to the gains and the engine.
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "engine/Controls.h"
#include "host/ScriptDescriptors.h"

namespace {

struct Entry {
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t flags;
    int16_t floatError;
    double value;
};

// What the host hands in and answers, decoded from the input.
struct Script {
    bool withDescriptorParameters, withReadProcs, withDescriptor, withHandleProcs, withDisposeProc, openGivesReader;
    int16_t numReadProcs, numHandleProcs, playInfo, closeError;
    bool missing[4];  // open, close, getKey, getFloat
    std::vector<Entry> entries;
};

// What the harness saw the plug-in do.
struct Seen {
    const Script* script = nullptr;
    Handle descriptor = nullptr;
    int opens = 0, closes = 0, disposes = 0, keyCalls = 0, floatCalls = 0;
    size_t next = 0;          // entries handed out
    bool keyPending = false;  // a key was handed out and its value not yet asked for
};

Seen* seen = nullptr;
int readerToken;  // the reader the harness hands out is this object's address

PIReadDescriptor token() { return reinterpret_cast<PIReadDescriptor>(&readerToken); }

PIReadDescriptor PI_CALL openRead(PIDescriptorHandle handle, DescriptorKeyID* keys) {
    FUZZ_CHECK(seen->opens == 0, "a second open");
    FUZZ_CHECK(handle == seen->descriptor, "open of another handle than the descriptor");
    FUZZ_CHECK(keys != nullptr && keys[0] == keyAmount && keys[1] == keyVibrance && keys[2] == 0,
               "the key array is not {Amnt, Clr , 0}");
    ++seen->opens;
    keys[0] = 0xFFFFFFFF;  // hosts mark the expected keys they will return
    return seen->script->openGivesReader ? token() : nullptr;
}

OSErr PI_CALL closeRead(PIReadDescriptor reader) {
    FUZZ_CHECK(reader == token(), "close of another reader");
    FUZZ_CHECK(seen->closes == 0, "a second close");
    ++seen->closes;
    return seen->script->closeError;
}

Boolean PI_CALL getKey(PIReadDescriptor reader, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags) {
    FUZZ_CHECK(reader == token() && seen->closes == 0, "getKeyProc on a reader not open");
    FUZZ_CHECK(key && type && flags, "getKeyProc without its out cells");
    ++seen->keyCalls;
    seen->keyPending = false;
    if (seen->next >= seen->script->entries.size()) return false;
    const Entry& e = seen->script->entries[seen->next++];
    *key = e.key;
    *type = e.type;
    *flags = e.flags;
    seen->keyPending = true;
    return true;
}

OSErr PI_CALL getFloat(PIReadDescriptor reader, real64* value) {
    FUZZ_CHECK(reader == token() && seen->closes == 0, "getFloatProc on a reader not open");
    FUZZ_CHECK(seen->keyPending, "getFloatProc without a key handed out, or twice for one key");
    FUZZ_CHECK(value != nullptr, "getFloatProc without its out cell");
    ++seen->floatCalls;
    seen->keyPending = false;
    const Entry& e = seen->script->entries[seen->next - 1];
    if (e.floatError != noErr) {
        *value = 777.0;  // what a failing host may leave behind; the plug-in must not take it
        return e.floatError;
    }
    *value = e.value;
    return noErr;
}

void PI_CALL disposeHandle(Handle h) {
    FUZZ_CHECK(h != nullptr && h == seen->descriptor, "dispose of a handle other than the descriptor");
    FUZZ_CHECK(seen->disposes == 0, "the descriptor disposed twice");
    FUZZ_CHECK(seen->opens == 1, "the descriptor disposed without having been read");
    ++seen->disposes;
}

Script decode(fuzz::Input& in) {
    Script s = {};
    uint8_t present = in.byte();
    // Mostly a complete host, so that the reading itself gets the input's attention.
    bool complete = (present & 0x80) == 0;
    s.withDescriptorParameters = complete || (present & 1);
    s.withReadProcs = complete || (present & 2);
    s.withDescriptor = complete || (present & 4);
    s.withHandleProcs = complete || (present & 8);
    s.withDisposeProc = complete || (present & 16);
    s.openGivesReader = complete || (present & 32);
    uint8_t missing = complete ? 0 : in.byte();
    for (int i = 0; i < 4; ++i) s.missing[i] = (missing >> i) & 1;
    s.numReadProcs = complete ? 5 : int16_t(int8_t(in.byte()));
    s.numHandleProcs = complete ? 8 : int16_t(int8_t(in.byte()));
    s.playInfo = int16_t(in.byte() % 4 == 3 ? in.i16() : (in.byte() % 3));
    s.closeError = in.error();
    const int count = in.byte() & 15;
    for (int i = 0; i < count; ++i) {
        Entry e = {};
        uint8_t kind = in.byte();
        switch (kind % 5) {
            case 0: case 1: e.key = keyAmount; break;
            case 2: case 3: e.key = keyVibrance; break;
            default: e.key = (kind & 0x80) ? 0 : in.u32(); break;
        }
        e.type = (kind & 0x40) ? in.u32() : typeFloat;
        e.flags = (kind & 0x20) ? int32_t(in.u32()) : 0;
        e.floatError = in.error();
        e.value = in.number();
        s.entries.push_back(e);
    }
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const Script script = decode(in);

    HandleProcs handleProcs = {};
    handleProcs.numHandleProcs = script.numHandleProcs;
    handleProcs.disposeProc = script.withDisposeProc ? disposeHandle : nullptr;
    ReadDescriptorProcs readProcs = {};
    readProcs.numReadDescriptorProcs = script.numReadProcs;
    readProcs.openReadDescriptorProc = script.missing[0] ? nullptr : openRead;
    readProcs.closeReadDescriptorProc = script.missing[1] ? nullptr : closeRead;
    readProcs.getKeyProc = script.missing[2] ? nullptr : getKey;
    readProcs.getFloatProc = script.missing[3] ? nullptr : getFloat;
    int descriptorObject = 0;
    PIDescriptorParameters dp = {};
    dp.playInfo = script.playInfo;
    dp.descriptor = script.withDescriptor ? reinterpret_cast<Handle>(&descriptorObject) : nullptr;
    dp.readDescriptorProcs = script.withReadProcs ? &readProcs : nullptr;
    FilterRecord record = {};
    record.handleProcs = script.withHandleProcs ? &handleProcs : nullptr;
    record.descriptorParameters = script.withDescriptorParameters ? &dp : nullptr;

    Seen watch;
    watch.script = &script;
    watch.descriptor = dp.descriptor;
    seen = &watch;
    fuzz::PluginState state(&record);

    bool showDialog = false;
    const int16_t err = readScriptParameters(showDialog);

    // The model: what the reading must have done.
    const bool readable = script.withDescriptorParameters && script.withReadProcs && script.withDescriptor &&
                          script.numReadProcs >= 5 && !script.missing[0] && !script.missing[1] &&
                          !script.missing[2] && !script.missing[3];
    const bool canDispose = script.withHandleProcs && script.withDisposeProc && script.numHandleProcs >= 6;
    float amount = 10.0f, vibrance = 2.0f;
    int16_t expectedErr = noErr;
    size_t used = 0;
    int expectedKeyCalls = 0;
    if (readable && script.openGivesReader) {
        int16_t loop = noErr;
        while (loop == noErr && used < script.entries.size()) {
            const Entry& e = script.entries[used++];
            if (e.key == keyAmount || e.key == keyVibrance) {
                loop = e.floatError;
                if (loop == noErr && e.key == keyAmount) amount = float(e.value);
                if (loop == noErr && e.key == keyVibrance) vibrance = float(e.value + 2.0);
            } else {
                loop = paramErr;
            }
        }
        expectedKeyCalls = int(used) + (loop == noErr ? 1 : 0);  // the last call says there are no more
        expectedErr = script.closeError;
    }

    FUZZ_CHECK(err == expectedErr, "returned %d, expected %d", err, expectedErr);
    FUZZ_CHECK(showDialog == (readable ? script.playInfo == plugInDialogDisplay : true),
               "showDialog %d for playInfo %d (descriptor readable: %d)", showDialog, script.playInfo, readable);
    FUZZ_CHECK(watch.opens == (readable ? 1 : 0), "%d opens", watch.opens);
    FUZZ_CHECK(watch.closes == (readable && script.openGivesReader ? 1 : 0), "%d closes", watch.closes);
    FUZZ_CHECK(watch.keyCalls == expectedKeyCalls, "%d getKeyProc calls, expected %d", watch.keyCalls,
               expectedKeyCalls);
    FUZZ_CHECK(watch.disposes == (readable && script.openGivesReader && canDispose ? 1 : 0), "%d disposes",
               watch.disposes);
    if (readable && script.openGivesReader)
        FUZZ_CHECK(dp.descriptor == nullptr, "the descriptor handle is left in the record after its disposal");
    else if (script.withDescriptorParameters)
        FUZZ_CHECK(dp.descriptor == watch.descriptor, "the descriptor handle changed without being read");
    FUZZ_CHECK(fuzz::sameFloat(state.p.amount, amount), "amount %g, expected %g", double(state.p.amount),
               double(amount));
    FUZZ_CHECK(fuzz::sameFloat(state.p.vibrance, vibrance), "vibrance %g, expected %g", double(state.p.vibrance),
               double(vibrance));

    fuzz::adjustWithSettings(in, &state.p);
    seen = nullptr;
    return 0;
}
