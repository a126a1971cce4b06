// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `--project FILE` and `--save-project FILE`, which every zelvar-cli command
// takes (include only from *_cli.cpp, which are built with CLI11): the
// project is the base of the command's inputs, the options given on the line
// override it, and the inputs the command ran with can be written as a
// project again.
#include <CLI/CLI.hpp>

#include <string>

#include "app/project_file.h"
#include "report/report_log.h"

namespace zelvar {

class ProjectOptions {
public:
    // CLI11 keeps references into the object: it must stay in place while
    // the app parses.
    explicit ProjectOptions(CLI::App& app) {
        project_ = app.add_option("--project", project_text_,
                                  "take the inputs from a project file (.zelvar) written by the desktop program or "
                                  "--save-project; options given beside it override its values [none]")
                       ->type_name("FILE")
                       ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        save_ = app.add_option("--save-project", save_text_,
                               "write the inputs the command runs with as a project file; the other windows' "
                               "inputs come from --project [none]")
                    ->type_name("FILE")
                    ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    ProjectOptions(const ProjectOptions&) = delete;
    ProjectOptions& operator=(const ProjectOptions&) = delete;

    // The project of --project (read and checked whole; a damaged one raises
    // zelvar::Error), an empty one without it.
    Project base() const { return project_->count() > 0 ? read_project_file(project_text_) : Project{}; }

    // With --save-project: writes `inputs` and says so on the log
    // ("Project saved in file FILE").
    void save(const Project& inputs, ReportSink& log) const {
        if (save_->count() == 0) return;
        write_project_file(save_text_, inputs);
        report_line(log, "Project saved in file " + save_text_);
    }

private:
    std::string project_text_, save_text_;
    CLI::Option* project_ = nullptr;
    CLI::Option* save_ = nullptr;
};

}  // namespace zelvar
