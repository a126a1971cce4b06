// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/picture_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cfenv>
#include <vector>

#include "app/faults.h"

#ifndef ZELVAR_PICTURES_DIR
#define ZELVAR_PICTURES_DIR "lib/zelvar"
#endif

namespace zelvar {

namespace {

// The folder of the running program, from /proc/self/exe (links resolved);
// empty when it cannot be read.
std::string program_folder() {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
    const std::string path(buffer.data(), static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The library's entry point, loaded once; raises Error naming the folders
// looked in when it is in neither, or the loader's reason.
PictureEntry picture_entry() {
    static PictureEntry entry = nullptr;
    if (entry != nullptr) return entry;
    const std::string folder = program_folder();
    if (folder.empty()) throw Error("The picture library cannot be found: the program's folder is unknown");
    const std::string folders[] = {folder.substr(0, folder.size() - 1), folder + "../" + ZELVAR_PICTURES_DIR};
    for (const std::string& in : folders) {
        const std::string place = in + "/" + kPictureLibrary;
        if (access(place.c_str(), F_OK) != 0) continue;
        void* library = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            const char* why = dlerror();
            throw Error("The picture library " + place + " cannot be loaded: " + (why != nullptr ? why : "unknown"));
        }
        // Never unloaded: the toolkit keeps state of its own for the process.
        entry = reinterpret_cast<PictureEntry>(dlsym(library, kPictureEntry));
        if (entry == nullptr) throw Error("The picture library " + place + " has no entry " + kPictureEntry);
        return entry;
    }
    throw Error(std::string("The picture library ") + kPictureLibrary + " is in neither " + folders[0] + " nor " +
                folders[1]);
}

}  // namespace

void write_run_pictures_on_demand(const std::string& png, const std::string& svg, int width, int height,
                                  const SampleStore& samples, const ViewRecord& view,
                                  const std::array<long double, kChannelRows>& scales) {
    // Loading the toolkit runs its initializers, which may leave arithmetic
    // flags (and the drawing reports its own faults through the message):
    // the caller's floating-point environment comes back whole.
    struct KeptEnvironment {
        std::fenv_t env;
        KeptEnvironment() { std::fegetenv(&env); }
        ~KeptEnvironment() { std::fesetenv(&env); }
    } kept;
    const PictureEntry entry = picture_entry();
    const PictureRequest request{kPictureRequestVersion, png.c_str(), svg.c_str(), width, height,
                                 &samples, &view, scales.data()};
    char message[1024] = {};
    if (entry(&request, message, sizeof message) != 0) throw Error(message);
}

}  // namespace zelvar
