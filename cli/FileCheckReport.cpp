#include "cli/FileCheckReport.h"

#include "image/FileCheck.h"
#include "image/ImageFile.h"

namespace rkt5::cli {

bool reportFileProblems(const std::string& path, std::string_view text, std::ostream& out) {
    const std::vector<FileProblem> problems = checkImageText(text, formatForPath(path));
    for (const FileProblem& problem : problems) {
        out << path;
        if (problem.line > 0) {
            out << ":" << problem.line;
        }
        out << ": " << problem.reason << "\n";
    }
    return problems.empty();
}

}  // namespace rkt5::cli
