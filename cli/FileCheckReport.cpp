#include "cli/FileCheckReport.h"

#include "image/FileCheck.h"
#include "image/ImageFile.h"
#include "image/TextLines.h"

namespace rkt5::cli {

bool reportFileProblems(const std::string& path, std::ostream& out) {
    const std::optional<std::string> text = readFileText(path);
    if (!text) {
        out << path << ": cannot be read\n";
        return false;
    }
    const std::vector<FileProblem> problems = checkImageText(*text, formatForPath(path));
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
