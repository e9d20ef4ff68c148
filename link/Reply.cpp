#include "link/Reply.h"

namespace rkt5 {

std::string_view replyName(Reply reply) {
    static constexpr std::array<std::string_view, 14> kNames{
        "OK", "NG", "ED", "CT", "BE", "PG", "RA", "EE", "other", "00", "01", "02", "03", "RE"};
    return kNames.at(static_cast<std::size_t>(reply));
}

}  // namespace rkt5
