// SPDX-License-Identifier: MIT
#include "common/Modules.h"

#include "common/Errors.h"

#include <climits>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <unistd.h>
#include <variant>

namespace quillet {

std::vector<std::string> moduleCandidates(const std::string& programDir, const std::string& fileName)
{
    std::vector<std::string> paths;
    for (const char* dir : {QUILLET_MODULE_DIR_FROM_BIN, "lib", "../lib"})
        paths.push_back(programDir + "/" + dir + "/" + fileName);
    return paths;
}

const void* loadModuleTable(const std::string& path, const char* entryPoint, unsigned version, std::size_t size)
{
    // The module stays loaded for the process: its table is handed out.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        throw QuilletError(ErrorKind::PartMissing, why ? why : path);
    }
    using Entry = const ModuleTableHead* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, entryPoint));
    const ModuleTableHead* table = entry ? entry() : nullptr;
    if (!table || table->version != version || table->size != size)
        throw QuilletError(ErrorKind::PartMissing, path + ": made for another version of Quillet");
    return table;
}

namespace {

const void* findModuleTable(const std::string& fileName, const char* entryPoint, unsigned version, std::size_t size)
{
    std::string program(PATH_MAX, '\0');
    const ssize_t length = readlink("/proc/self/exe", program.data(), program.size());
    program.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    const std::vector<std::string> candidates = moduleCandidates(program.substr(0, program.rfind('/')), fileName);
    for (const std::string& path : candidates) {
        if (access(path.c_str(), F_OK) == 0)
            return loadModuleTable(path, entryPoint, version, size);
    }
    std::string places;
    for (const std::string& path : candidates)
        places += (places.empty() ? "" : ", ") + path.substr(0, path.rfind('/'));
    throw QuilletError(ErrorKind::PartMissing, fileName + " is in none of " + places);
}

} // namespace

const void* moduleTable(const std::string& fileName, const char* entryPoint, unsigned version, std::size_t size)
{
    static std::mutex mutex;
    static std::map<std::string, std::variant<const void*, QuilletError>> loaded;
    const std::lock_guard lock(mutex);
    auto found = loaded.find(fileName);
    if (found == loaded.end()) {
        std::variant<const void*, QuilletError> result = nullptr;
        try {
            result = findModuleTable(fileName, entryPoint, version, size);
        } catch (const QuilletError& error) {
            result = error;
        }
        found = loaded.emplace(fileName, std::move(result)).first;
    }
    if (const auto* error = std::get_if<QuilletError>(&found->second))
        throw *error;
    return std::get<const void*>(found->second);
}

} // namespace quillet
