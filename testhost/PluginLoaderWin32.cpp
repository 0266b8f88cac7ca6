#include <windows.h>

#include "testhost/PiplReader.h"
#include "testhost/PluginLoader.h"

bool loadPlugin(const char* path, LoadedPlugin* plugin, std::string* error) {
    HMODULE module = LoadLibraryA(path);
    if (module == nullptr) {
        *error = std::string(path) + ": cannot be loaded (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(16000), "PIPL");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    size_t size = found ? SizeofResource(module, found) : 0;
    std::string name;
    uint32_t key = sizeof(void*) == 8 ? testhost::kCodeKeyX64 : testhost::kCodeKeyX86;
    if (!testhost::readEntryPoint(static_cast<const uint8_t*>(bytes), size, key, &name, error)) {
        *error = std::string(path) + ": " + *error;
        FreeLibrary(module);
        return false;
    }
    FARPROC entry = GetProcAddress(module, name.c_str());
    if (entry == nullptr) {
        *error = std::string(path) + ": the PIPL names " + name + ", which the library does not export";
        FreeLibrary(module);
        return false;
    }
    plugin->entry = reinterpret_cast<PluginEntryProc>(reinterpret_cast<void*>(entry));
    plugin->module = module;
    return true;
}

void unloadPlugin(LoadedPlugin* plugin) {
    if (plugin->module) FreeLibrary(static_cast<HMODULE>(plugin->module));
    *plugin = {};
}
