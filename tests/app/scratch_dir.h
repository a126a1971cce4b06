// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh empty directory under /tmp that is the working directory while the
// object lives (a design run writes zelvar.val in the working directory);
// the previous working directory comes back and the directory is removed at
// the end.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace zelvar::testdata {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix = "zelvar") : old_(std::filesystem::current_path()) {
        std::string name = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(name.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed for " << name;
            return;
        }
        dir_ = name;
        std::filesystem::current_path(dir_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path old_, dir_;
};

}  // namespace zelvar::testdata
