// The host's filter plug-in interface (filter module interface 4.0) as the
// plug-in and our test host see it, for 32-bit x86 and 64-bit x64 Windows and
// for native builds, which use the x64 layout of their own pointer size.
//
// Conventions:
// - FilterRecord is 4-byte packed on every target; every other record keeps the
//   compiler's natural alignment.
// - Every callback is cdecl on x86 (PI_CALL); x64 has one convention.
// - Boolean is one byte; SPBoolean is four. Callbacks that return Boolean or
//   OSErr are declared with exactly that type, since a host may leave the upper
//   bits of the return register undefined.
// - Four-character codes are uint32 with the first character most significant.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/Rect.h"

#if defined(_WIN32) && !defined(_WIN64)
#define PI_CALL __cdecl
#else
#define PI_CALL
#endif

// ---------------------------------------------------------------- basic types
typedef uint8_t Boolean;
typedef int32_t SPBoolean;
typedef int16_t OSErr;
typedef int32_t SPErr;
typedef int32_t Fixed;
typedef uint32_t OSType;
typedef uint32_t DescriptorKeyID;
typedef uint32_t DescriptorTypeID;
typedef double real64;
typedef char* Ptr;
typedef struct HandleOpaque* Handle;
typedef Handle PIDescriptorHandle;
typedef struct BufferOpaque* BufferID;
typedef struct ReadDescriptorOpaque* PIReadDescriptor;
typedef struct WriteDescriptorOpaque* PIWriteDescriptor;
typedef struct ActionDescriptorOpaque* PIActionDescriptor;
typedef Rect Rect16;

struct Point16 {
    int16_t v;  // row
    int16_t h;  // column
};

struct VRect {
    int32_t top, left, bottom, right;
};

struct RGBColor16 {
    uint16_t red, green, blue;
};

struct PlugInMonitor {
    Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

constexpr uint32_t fourCC(char a, char b, char c, char d) {
    return (uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) |
           (uint32_t(uint8_t(c)) << 8) | uint32_t(uint8_t(d));
}

// ------------------------------------------------------------------ constants
enum : int16_t {
    filterSelectorAbout = 0,
    filterSelectorParameters = 1,
    filterSelectorPrepare = 2,
    filterSelectorStart = 3,
    filterSelectorContinue = 4,
    filterSelectorFinish = 5,
};

enum : int16_t {
    noErr = 0,
    eofErr = -39,
    paramErr = -50,
    memFullErr = -108,
    nilHandleErr = -109,
    userCanceledErr = -128,
    filterBadParameters = -30100,
    filterBadMode = -30101,
    errPlugInHostInsufficient = -30900,
    errPlugInPropertyUndefined = -30901,
};

constexpr SPErr kSPNoError = 0;
constexpr SPErr kSPSuiteNotFoundError = int32_t(fourCC('S', '!', 'F', 'd'));

enum : int16_t {
    plugInModeBitmap = 0,
    plugInModeGrayScale = 1,
    plugInModeIndexedColor = 2,
    plugInModeRGBColor = 3,
    plugInModeCMYKColor = 4,
    plugInModeMultichannel = 7,
    plugInModeDuotone = 8,
    plugInModeLabColor = 9,
    plugInModeGray16 = 10,
    plugInModeRGB48 = 11,
    plugInModeLab48 = 12,
    plugInModeCMYK64 = 13,
    plugInModeDeepMultichannel = 14,
    plugInModeDuotone16 = 15,
};

enum : int16_t {
    filterCaseNotSet = 0,  // the host does not report the case
    filterCaseUnsupported = -1,
    filterCaseFlatImageNoSelection = 1,
    filterCaseFlatImageWithSelection = 2,
    filterCaseFloatingSelection = 3,
    filterCaseEditableTransparencyNoSelection = 4,
    filterCaseEditableTransparencyWithSelection = 5,
    filterCaseProtectedTransparencyNoSelection = 6,
    filterCaseProtectedTransparencyWithSelection = 7,
};

// inputPadding / outputPadding / maskPadding: 0..255 is a fill value.
enum : int16_t {
    plugInWantsEdgeReplication = -1,
    plugInDoesNotWantPadding = -2,
    plugInWantsErrorOnBoundsException = -3,
};

enum : int16_t {
    plugInDialogDontDisplay = 0,
    plugInDialogDisplay = 1,
    plugInDialogSilent = 2,
};
enum : int16_t {
    plugInDialogOptional = 0,
    plugInDialogRequired = 1,
    plugInDialogNone = 2,
};

constexpr uint32_t propWatchSuspension = fourCC('w', 't', 'c', 'h');
constexpr uint32_t typeFloat = fourCC('d', 'o', 'u', 'b');
constexpr uint32_t kPhotoshopSignature = fourCC('8', 'B', 'I', 'M');

constexpr const char* kPSDescriptorRegistrySuite = "61e608b0-40fd-11d1-8da3-00c04fd5f7ee";
constexpr int32_t kPSDescriptorRegistrySuiteVersion = 1;
constexpr const char* kPSActionDescriptorSuite = "df135115-c769-11d0-8079-00c04fd7ec47";
constexpr int32_t kPSActionDescriptorSuiteVersion = 2;

// ----------------------------------------------------------- single callbacks
typedef Boolean(PI_CALL* TestAbortProc)();
typedef void(PI_CALL* ProgressProc)(int32_t done, int32_t total);
typedef void(PI_CALL* HostProc)(int16_t selector, intptr_t* data);
typedef void(PI_CALL* ProcessEventProc)(void* event);
typedef OSErr(PI_CALL* AdvanceStateProc)();
typedef OSErr(PI_CALL* ColorServicesProc)(void* info);

struct PSPixelMask {
    PSPixelMask* next;
    void* maskData;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t maskDescription;
};

struct PSPixelMap {
    int32_t version;
    VRect bounds;
    int32_t imageMode;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t planeBytes;
    void* baseAddr;
    // version 1
    PSPixelMask* mat;
    PSPixelMask* masks;
    int32_t maskPhaseRow;
    int32_t maskPhaseCol;
};

typedef OSErr(PI_CALL* DisplayPixelsProc)(const PSPixelMap* source, const VRect* srcRect, int32_t dstRow,
                                          int32_t dstCol, void* platformContext);

// ------------------------------------------------------------ callback tables
typedef Handle(PI_CALL* NewPIHandleProc)(int32_t size);
typedef void(PI_CALL* DisposePIHandleProc)(Handle h);
typedef int32_t(PI_CALL* GetPIHandleSizeProc)(Handle h);
typedef OSErr(PI_CALL* SetPIHandleSizeProc)(Handle h, int32_t newSize);
typedef Ptr(PI_CALL* LockPIHandleProc)(Handle h, Boolean moveHigh);
typedef void(PI_CALL* UnlockPIHandleProc)(Handle h);
typedef void(PI_CALL* RecoverSpaceProc)(int32_t size);
typedef void(PI_CALL* DisposeRegularHandleProc)(Handle h);

struct HandleProcs {
    int16_t handleProcsVersion;
    int16_t numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
    DisposeRegularHandleProc disposeRegularHandleProc;
};

typedef OSErr(PI_CALL* AllocateBufferProc)(int32_t size, BufferID* bufferID);
typedef Ptr(PI_CALL* LockBufferProc)(BufferID bufferID, Boolean moveHigh);
typedef void(PI_CALL* UnlockBufferProc)(BufferID bufferID);
typedef void(PI_CALL* FreeBufferProc)(BufferID bufferID);
typedef int32_t(PI_CALL* BufferSpaceProc)();
typedef OSErr(PI_CALL* ReserveBufferSpaceProc)(int32_t size);
typedef OSErr(PI_CALL* AllocateBuffer64Proc)(int64_t size, BufferID* bufferID);
typedef int64_t(PI_CALL* BufferSpace64Proc)();

struct BufferProcs {
    int16_t bufferProcsVersion;
    int16_t numBufferProcs;
    AllocateBufferProc allocateProc;
    LockBufferProc lockProc;
    UnlockBufferProc unlockProc;
    FreeBufferProc freeProc;
    BufferSpaceProc spaceProc;
    ReserveBufferSpaceProc reserveProc;
    AllocateBuffer64Proc allocateProc64;
    BufferSpace64Proc spaceProc64;
};

typedef OSErr(PI_CALL* GetPropertyProc)(uint32_t signature, uint32_t key, int32_t index, intptr_t* simpleProperty,
                                        Handle* complexProperty);
typedef OSErr(PI_CALL* SetPropertyProc)(uint32_t signature, uint32_t key, int32_t index, intptr_t simpleProperty,
                                        Handle complexProperty);

struct PropertyProcs {
    int16_t propertyProcsVersion;
    int16_t numPropertyProcs;
    GetPropertyProc getPropertyProc;
    SetPropertyProc setPropertyProc;
};

// Slots of the descriptor tables that the plug-in never calls are kept as
// untyped pointers; only their position matters.
typedef void(PI_CALL* UnusedProc)();

typedef PIWriteDescriptor(PI_CALL* OpenWriteDescriptorProc)();
typedef OSErr(PI_CALL* CloseWriteDescriptorProc)(PIWriteDescriptor token, PIDescriptorHandle* descriptor);
typedef OSErr(PI_CALL* PutIntegerProc)(PIWriteDescriptor token, DescriptorKeyID key, int32_t value);
typedef OSErr(PI_CALL* PutFloatProc)(PIWriteDescriptor token, DescriptorKeyID key, const real64* value);

struct WriteDescriptorProcs {
    int16_t writeDescriptorProcsVersion;
    int16_t numWriteDescriptorProcs;
    OpenWriteDescriptorProc openWriteDescriptorProc;
    CloseWriteDescriptorProc closeWriteDescriptorProc;
    PutIntegerProc putIntegerProc;
    PutFloatProc putFloatProc;
    UnusedProc unused[12];  // putUnitFloatProc .. putScopedObjectProc
};

typedef PIReadDescriptor(PI_CALL* OpenReadDescriptorProc)(PIDescriptorHandle descriptor, DescriptorKeyID* keyArray);
typedef OSErr(PI_CALL* CloseReadDescriptorProc)(PIReadDescriptor token);
typedef Boolean(PI_CALL* GetKeyProc)(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type,
                                     int32_t* flags);
typedef OSErr(PI_CALL* GetIntegerProc)(PIReadDescriptor token, int32_t* value);
typedef OSErr(PI_CALL* GetFloatProc)(PIReadDescriptor token, real64* value);

struct ReadDescriptorProcs {
    int16_t readDescriptorProcsVersion;
    int16_t numReadDescriptorProcs;
    OpenReadDescriptorProc openReadDescriptorProc;
    CloseReadDescriptorProc closeReadDescriptorProc;
    GetKeyProc getKeyProc;
    GetIntegerProc getIntegerProc;
    GetFloatProc getFloatProc;
    UnusedProc unused[13];  // getUnitFloatProc .. getPinnedUnitFloatProc
};

struct PIDescriptorParameters {
    int16_t descriptorParametersVersion;
    int16_t playInfo;
    int16_t recordInfo;
    PIDescriptorHandle descriptor;
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};

// ------------------------------------------------------------------ PICA suites
typedef SPErr(PI_CALL* SPAcquireSuiteProc)(const char* name, int32_t version, const void** suite);
typedef SPErr(PI_CALL* SPReleaseSuiteProc)(const char* name, int32_t version);
typedef SPBoolean(PI_CALL* SPIsEqualProc)(const char* a, const char* b);
typedef SPErr(PI_CALL* SPAllocateBlockProc)(size_t size, void** block);
typedef SPErr(PI_CALL* SPFreeBlockProc)(void* block);
typedef SPErr(PI_CALL* SPReallocateBlockProc)(void* block, size_t newSize, void** newBlock);
typedef SPErr(PI_CALL* SPUndefinedProc)();

struct SPBasicSuite {
    SPAcquireSuiteProc AcquireSuite;
    SPReleaseSuiteProc ReleaseSuite;
    SPIsEqualProc IsEqual;
    SPAllocateBlockProc AllocateBlock;
    SPFreeBlockProc FreeBlock;
    SPReallocateBlockProc ReallocateBlock;
    SPUndefinedProc Undefined;
};

struct PSDescriptorRegistryProcs {
    OSErr(PI_CALL* Register)(const char* key, PIActionDescriptor descriptor, Boolean isPersistent);
    OSErr(PI_CALL* Erase)(const char* key);
    OSErr(PI_CALL* Get)(const char* key, PIActionDescriptor* descriptor);
};

// Version 2 of the action descriptor suite: 46 slots, of which the plug-in
// calls Make, Free, GetCount, PutFloat and GetFloat.
struct PSActionDescriptorProcs {
    OSErr(PI_CALL* Make)(PIActionDescriptor* descriptor);                                    // 0
    OSErr(PI_CALL* Free)(PIActionDescriptor descriptor);                                     // 1
    UnusedProc GetType, GetKey, HasKey;                                                       // 2..4
    OSErr(PI_CALL* GetCount)(PIActionDescriptor descriptor, uint32_t* count);                // 5
    UnusedProc IsEqual, Erase, Clear, PutInteger;                                             // 6..9
    OSErr(PI_CALL* PutFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, real64 v);  // 10
    UnusedProc slots11to22[12];                                                               // 11..22
    OSErr(PI_CALL* GetFloat)(PIActionDescriptor descriptor, DescriptorKeyID key, real64* v); // 23
    UnusedProc slots24to45[22];                                                               // 24..45
};

// ------------------------------------------------------- About and platform data
struct PlatformData {
    intptr_t hwnd;
};

struct AboutRecord {
    void* platformData;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    uint8_t reserved[244];
};

// ------------------------------------------------------------------ FilterRecord
#pragma pack(push, 4)
struct FilterRecord {
    int32_t serial;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point16 imageSize;
    int16_t planes;
    Rect16 filterRect;
    RGBColor16 background;
    RGBColor16 foreground;
    int32_t maxSpace;
    int32_t bufferSpace;
    Rect16 inRect;
    int16_t inLoPlane;
    int16_t inHiPlane;
    Rect16 outRect;
    int16_t outLoPlane;
    int16_t outHiPlane;
    void* inData;
    int32_t inRowBytes;
    void* outData;
    int32_t outRowBytes;
    Boolean isFloating;
    Boolean haveMask;
    Boolean autoMask;
    Rect16 maskRect;
    void* maskData;
    int32_t maskRowBytes;
    uint8_t backColor[4];
    uint8_t foreColor[4];
    OSType hostSig;
    HostProc hostProcs;
    int16_t imageMode;
    Fixed imageHRes;
    Fixed imageVRes;
    Point16 floatCoord;
    Point16 wholeSize;
    PlugInMonitor monitor;
    PlatformData* platformData;
    BufferProcs* bufferProcs;
    void* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    int16_t wantLayout;
    int16_t filterCase;
    int16_t dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute;
    Boolean wantsAbsolute;
    GetPropertyProc getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    int16_t inputPadding;
    int16_t outputPadding;
    int16_t maskPadding;
    uint8_t samplingSupport;
    uint8_t reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;
    int16_t inLayerPlanes;
    int16_t inTransparencyMask;
    int16_t inLayerMasks;
    int16_t inInvertedLayerMasks;
    int16_t inNonLayerPlanes;
    int16_t outLayerPlanes;
    int16_t outTransparencyMask;
    int16_t outLayerMasks;
    int16_t outInvertedLayerMasks;
    int16_t outNonLayerPlanes;
    int16_t absLayerPlanes;
    int16_t absTransparencyMask;
    int16_t absLayerMasks;
    int16_t absInvertedLayerMasks;
    int16_t absNonLayerPlanes;
    int16_t inPreDummyPlanes;
    int16_t inPostDummyPlanes;
    int16_t outPreDummyPlanes;
    int16_t outPostDummyPlanes;
    int32_t inColumnBytes;
    int32_t inPlaneBytes;
    int32_t outColumnBytes;
    int32_t outPlaneBytes;
    void* imageServicesProcs;
    PropertyProcs* propertyProcs;
    int16_t inTileHeight;
    int16_t inTileWidth;
    Point16 inTileOrigin;
    int16_t absTileHeight;
    int16_t absTileWidth;
    Point16 absTileOrigin;
    int16_t outTileHeight;
    int16_t outTileWidth;
    Point16 outTileOrigin;
    int16_t maskTileHeight;
    int16_t maskTileWidth;
    Point16 maskTileOrigin;
    PIDescriptorParameters* descriptorParameters;
    uint8_t* errorString;
    void* channelPortProcs;
    void* documentInfo;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    int32_t depth;
    Handle iCCprofileData;
    int32_t iCCprofileSize;
    int32_t canUseICCProfiles;
    int32_t hasImageScrap;
    void* bigDocumentData;
    PIDescriptorParameters* input3DScene;
    PIDescriptorParameters* output3DScene;
    Boolean createNewLayer;
    Handle iCCWorkingProfileData;
    int32_t iCCWorkingProfileSize;
    int64_t bufferSpace64;
    int64_t maxSpace64;
    Boolean allowOverrangeColors;
    uint8_t reserved[45];
};
#pragma pack(pop)

// ------------------------------------------------------------------ entry point
typedef void(PI_CALL* PluginEntryProc)(int16_t selector, void* paramBlock, intptr_t* data, int16_t* result);

// ----------------------------------------------------- layout checks (x86 / x64)
static_assert(sizeof(Point16) == 4 && sizeof(Rect16) == 8 && sizeof(RGBColor16) == 6, "basic types");
static_assert(sizeof(PlugInMonitor) == 40 && sizeof(Boolean) == 1 && sizeof(SPBoolean) == 4, "basic types");
static_assert(sizeof(VRect) == 16, "VRect");

#define PI_CHECK(type, field, off32, off64) \
    static_assert(offsetof(type, field) == (sizeof(void*) == 4 ? (off32) : (off64)), #type "." #field)
#define PI_CHECK_SIZE(type, size32, size64) \
    static_assert(sizeof(type) == (sizeof(void*) == 4 ? (size32) : (size64)), "sizeof " #type)

PI_CHECK(FilterRecord, abortProc, 4, 4);
PI_CHECK(FilterRecord, progressProc, 8, 12);
PI_CHECK(FilterRecord, parameters, 12, 20);
PI_CHECK(FilterRecord, imageSize, 16, 28);
PI_CHECK(FilterRecord, planes, 20, 32);
PI_CHECK(FilterRecord, filterRect, 22, 34);
PI_CHECK(FilterRecord, background, 30, 42);
PI_CHECK(FilterRecord, foreground, 36, 48);
PI_CHECK(FilterRecord, maxSpace, 44, 56);
PI_CHECK(FilterRecord, bufferSpace, 48, 60);
PI_CHECK(FilterRecord, inRect, 52, 64);
PI_CHECK(FilterRecord, inLoPlane, 60, 72);
PI_CHECK(FilterRecord, inHiPlane, 62, 74);
PI_CHECK(FilterRecord, outRect, 64, 76);
PI_CHECK(FilterRecord, outLoPlane, 72, 84);
PI_CHECK(FilterRecord, outHiPlane, 74, 86);
PI_CHECK(FilterRecord, inData, 76, 88);
PI_CHECK(FilterRecord, inRowBytes, 80, 96);
PI_CHECK(FilterRecord, outData, 84, 100);
PI_CHECK(FilterRecord, outRowBytes, 88, 108);
PI_CHECK(FilterRecord, isFloating, 92, 112);
PI_CHECK(FilterRecord, haveMask, 93, 113);
PI_CHECK(FilterRecord, autoMask, 94, 114);
PI_CHECK(FilterRecord, maskRect, 96, 116);
PI_CHECK(FilterRecord, maskData, 104, 124);
PI_CHECK(FilterRecord, maskRowBytes, 108, 132);
PI_CHECK(FilterRecord, backColor, 112, 136);
PI_CHECK(FilterRecord, foreColor, 116, 140);
PI_CHECK(FilterRecord, hostSig, 120, 144);
PI_CHECK(FilterRecord, hostProcs, 124, 148);
PI_CHECK(FilterRecord, imageMode, 128, 156);
PI_CHECK(FilterRecord, imageHRes, 132, 160);
PI_CHECK(FilterRecord, imageVRes, 136, 164);
PI_CHECK(FilterRecord, floatCoord, 140, 168);
PI_CHECK(FilterRecord, wholeSize, 144, 172);
PI_CHECK(FilterRecord, monitor, 148, 176);
PI_CHECK(FilterRecord, platformData, 188, 216);
PI_CHECK(FilterRecord, bufferProcs, 192, 224);
PI_CHECK(FilterRecord, resourceProcs, 196, 232);
PI_CHECK(FilterRecord, processEvent, 200, 240);
PI_CHECK(FilterRecord, displayPixels, 204, 248);
PI_CHECK(FilterRecord, handleProcs, 208, 256);
PI_CHECK(FilterRecord, supportsDummyChannels, 212, 264);
PI_CHECK(FilterRecord, supportsAlternateLayouts, 213, 265);
PI_CHECK(FilterRecord, wantLayout, 214, 266);
PI_CHECK(FilterRecord, filterCase, 216, 268);
PI_CHECK(FilterRecord, dummyPlaneValue, 218, 270);
PI_CHECK(FilterRecord, premiereHook, 220, 272);
PI_CHECK(FilterRecord, advanceState, 224, 280);
PI_CHECK(FilterRecord, supportsAbsolute, 228, 288);
PI_CHECK(FilterRecord, wantsAbsolute, 229, 289);
PI_CHECK(FilterRecord, getPropertyObsolete, 232, 292);
PI_CHECK(FilterRecord, cannotUndo, 236, 300);
PI_CHECK(FilterRecord, supportsPadding, 237, 301);
PI_CHECK(FilterRecord, inputPadding, 238, 302);
PI_CHECK(FilterRecord, outputPadding, 240, 304);
PI_CHECK(FilterRecord, maskPadding, 242, 306);
PI_CHECK(FilterRecord, samplingSupport, 244, 308);
PI_CHECK(FilterRecord, reservedByte, 245, 309);
PI_CHECK(FilterRecord, inputRate, 248, 312);
PI_CHECK(FilterRecord, maskRate, 252, 316);
PI_CHECK(FilterRecord, colorServices, 256, 320);
PI_CHECK(FilterRecord, inLayerPlanes, 260, 328);
PI_CHECK(FilterRecord, inTransparencyMask, 262, 330);
PI_CHECK(FilterRecord, inLayerMasks, 264, 332);
PI_CHECK(FilterRecord, inInvertedLayerMasks, 266, 334);
PI_CHECK(FilterRecord, inNonLayerPlanes, 268, 336);
PI_CHECK(FilterRecord, outLayerPlanes, 270, 338);
PI_CHECK(FilterRecord, outTransparencyMask, 272, 340);
PI_CHECK(FilterRecord, outLayerMasks, 274, 342);
PI_CHECK(FilterRecord, outInvertedLayerMasks, 276, 344);
PI_CHECK(FilterRecord, outNonLayerPlanes, 278, 346);
PI_CHECK(FilterRecord, absLayerPlanes, 280, 348);
PI_CHECK(FilterRecord, absTransparencyMask, 282, 350);
PI_CHECK(FilterRecord, absLayerMasks, 284, 352);
PI_CHECK(FilterRecord, absInvertedLayerMasks, 286, 354);
PI_CHECK(FilterRecord, absNonLayerPlanes, 288, 356);
PI_CHECK(FilterRecord, inPreDummyPlanes, 290, 358);
PI_CHECK(FilterRecord, inPostDummyPlanes, 292, 360);
PI_CHECK(FilterRecord, outPreDummyPlanes, 294, 362);
PI_CHECK(FilterRecord, outPostDummyPlanes, 296, 364);
PI_CHECK(FilterRecord, inColumnBytes, 300, 368);
PI_CHECK(FilterRecord, inPlaneBytes, 304, 372);
PI_CHECK(FilterRecord, outColumnBytes, 308, 376);
PI_CHECK(FilterRecord, outPlaneBytes, 312, 380);
PI_CHECK(FilterRecord, imageServicesProcs, 316, 384);
PI_CHECK(FilterRecord, propertyProcs, 320, 392);
PI_CHECK(FilterRecord, inTileHeight, 324, 400);
PI_CHECK(FilterRecord, inTileWidth, 326, 402);
PI_CHECK(FilterRecord, inTileOrigin, 328, 404);
PI_CHECK(FilterRecord, absTileHeight, 332, 408);
PI_CHECK(FilterRecord, absTileWidth, 334, 410);
PI_CHECK(FilterRecord, absTileOrigin, 336, 412);
PI_CHECK(FilterRecord, outTileHeight, 340, 416);
PI_CHECK(FilterRecord, outTileWidth, 342, 418);
PI_CHECK(FilterRecord, outTileOrigin, 344, 420);
PI_CHECK(FilterRecord, maskTileHeight, 348, 424);
PI_CHECK(FilterRecord, maskTileWidth, 350, 426);
PI_CHECK(FilterRecord, maskTileOrigin, 352, 428);
PI_CHECK(FilterRecord, descriptorParameters, 356, 432);
PI_CHECK(FilterRecord, errorString, 360, 440);
PI_CHECK(FilterRecord, channelPortProcs, 364, 448);
PI_CHECK(FilterRecord, documentInfo, 368, 456);
PI_CHECK(FilterRecord, sSPBasic, 372, 464);
PI_CHECK(FilterRecord, plugInRef, 376, 472);
PI_CHECK(FilterRecord, depth, 380, 480);
PI_CHECK(FilterRecord, iCCprofileData, 384, 484);
PI_CHECK(FilterRecord, iCCprofileSize, 388, 492);
PI_CHECK(FilterRecord, canUseICCProfiles, 392, 496);
PI_CHECK(FilterRecord, hasImageScrap, 396, 500);
PI_CHECK(FilterRecord, bigDocumentData, 400, 504);
PI_CHECK(FilterRecord, input3DScene, 404, 512);
PI_CHECK(FilterRecord, output3DScene, 408, 520);
PI_CHECK(FilterRecord, createNewLayer, 412, 528);
PI_CHECK(FilterRecord, iCCWorkingProfileData, 416, 532);
PI_CHECK(FilterRecord, iCCWorkingProfileSize, 420, 540);
PI_CHECK(FilterRecord, bufferSpace64, 424, 544);
PI_CHECK(FilterRecord, maxSpace64, 432, 552);
PI_CHECK(FilterRecord, allowOverrangeColors, 440, 560);
PI_CHECK(FilterRecord, reserved, 441, 561);
PI_CHECK_SIZE(FilterRecord, 488, 608);

PI_CHECK(AboutRecord, sSPBasic, 4, 8);
PI_CHECK(AboutRecord, plugInRef, 8, 16);
PI_CHECK(AboutRecord, reserved, 12, 24);
PI_CHECK_SIZE(AboutRecord, 256, 272);
PI_CHECK_SIZE(PlatformData, 4, 8);

PI_CHECK(HandleProcs, newProc, 4, 8);
PI_CHECK(HandleProcs, disposeProc, 8, 16);
PI_CHECK(HandleProcs, getSizeProc, 12, 24);
PI_CHECK(HandleProcs, setSizeProc, 16, 32);
PI_CHECK(HandleProcs, lockProc, 20, 40);
PI_CHECK(HandleProcs, unlockProc, 24, 48);
PI_CHECK(HandleProcs, recoverSpaceProc, 28, 56);
PI_CHECK(HandleProcs, disposeRegularHandleProc, 32, 64);
PI_CHECK_SIZE(HandleProcs, 36, 72);

PI_CHECK(BufferProcs, allocateProc, 4, 8);
PI_CHECK(BufferProcs, lockProc, 8, 16);
PI_CHECK(BufferProcs, unlockProc, 12, 24);
PI_CHECK(BufferProcs, freeProc, 16, 32);
PI_CHECK(BufferProcs, spaceProc, 20, 40);
PI_CHECK(BufferProcs, reserveProc, 24, 48);
PI_CHECK(BufferProcs, allocateProc64, 28, 56);
PI_CHECK(BufferProcs, spaceProc64, 32, 64);
PI_CHECK_SIZE(BufferProcs, 36, 72);

PI_CHECK(PropertyProcs, getPropertyProc, 4, 8);
PI_CHECK(PropertyProcs, setPropertyProc, 8, 16);
PI_CHECK_SIZE(PropertyProcs, 12, 24);

PI_CHECK(PIDescriptorParameters, playInfo, 2, 2);
PI_CHECK(PIDescriptorParameters, recordInfo, 4, 4);
PI_CHECK(PIDescriptorParameters, descriptor, 8, 8);
PI_CHECK(PIDescriptorParameters, writeDescriptorProcs, 12, 16);
PI_CHECK(PIDescriptorParameters, readDescriptorProcs, 16, 24);
PI_CHECK_SIZE(PIDescriptorParameters, 20, 32);

PI_CHECK(WriteDescriptorProcs, openWriteDescriptorProc, 4, 8);
PI_CHECK(WriteDescriptorProcs, closeWriteDescriptorProc, 8, 16);
PI_CHECK(WriteDescriptorProcs, putIntegerProc, 12, 24);
PI_CHECK(WriteDescriptorProcs, putFloatProc, 16, 32);
PI_CHECK_SIZE(WriteDescriptorProcs, 68, 136);

PI_CHECK(ReadDescriptorProcs, openReadDescriptorProc, 4, 8);
PI_CHECK(ReadDescriptorProcs, closeReadDescriptorProc, 8, 16);
PI_CHECK(ReadDescriptorProcs, getKeyProc, 12, 24);
PI_CHECK(ReadDescriptorProcs, getIntegerProc, 16, 32);
PI_CHECK(ReadDescriptorProcs, getFloatProc, 20, 40);
PI_CHECK_SIZE(ReadDescriptorProcs, 76, 152);

PI_CHECK(SPBasicSuite, ReleaseSuite, 4, 8);
PI_CHECK(SPBasicSuite, IsEqual, 8, 16);
PI_CHECK(SPBasicSuite, AllocateBlock, 12, 24);
PI_CHECK(SPBasicSuite, FreeBlock, 16, 32);
PI_CHECK(SPBasicSuite, ReallocateBlock, 20, 40);
PI_CHECK(SPBasicSuite, Undefined, 24, 48);
PI_CHECK_SIZE(SPBasicSuite, 28, 56);

PI_CHECK(PSDescriptorRegistryProcs, Erase, 4, 8);
PI_CHECK(PSDescriptorRegistryProcs, Get, 8, 16);
PI_CHECK_SIZE(PSDescriptorRegistryProcs, 12, 24);

PI_CHECK(PSActionDescriptorProcs, Free, 4, 8);
PI_CHECK(PSActionDescriptorProcs, GetCount, 20, 40);
PI_CHECK(PSActionDescriptorProcs, PutFloat, 40, 80);
PI_CHECK(PSActionDescriptorProcs, GetFloat, 92, 184);
PI_CHECK_SIZE(PSActionDescriptorProcs, 184, 368);

PI_CHECK(PSPixelMap, bounds, 4, 4);
PI_CHECK(PSPixelMap, imageMode, 20, 20);
PI_CHECK(PSPixelMap, rowBytes, 24, 24);
PI_CHECK(PSPixelMap, colBytes, 28, 28);
PI_CHECK(PSPixelMap, planeBytes, 32, 32);
PI_CHECK(PSPixelMap, baseAddr, 36, 40);
PI_CHECK(PSPixelMap, mat, 40, 48);
PI_CHECK(PSPixelMap, masks, 44, 56);
PI_CHECK(PSPixelMap, maskPhaseRow, 48, 64);
PI_CHECK(PSPixelMap, maskPhaseCol, 52, 68);
PI_CHECK_SIZE(PSPixelMap, 56, 72);

PI_CHECK(PSPixelMask, maskData, 4, 8);
PI_CHECK(PSPixelMask, rowBytes, 8, 16);
PI_CHECK(PSPixelMask, colBytes, 12, 20);
PI_CHECK(PSPixelMask, maskDescription, 16, 24);
PI_CHECK_SIZE(PSPixelMask, 20, 32);

#undef PI_CHECK
#undef PI_CHECK_SIZE
