#pragma once

// The text form of a fault on the rkt5-sim command line:  KIND:K:ACTION[=ARG]
//
//   KIND    model, connect0, connect1, connect2, pin, BE, PG, ED, erase, end, row, ok, ng,
//           unknown (any letter case)
//   K       the k-th message of that kind, counted from 1, or * for every one
//   ACTION  reply=TEXT        answer TEXT instead (two letters take the answer's usual shape;
//                             anything else is sent as written; \r \n \\ \" \xHH escapes)
//           silent            no echo, no answer
//           drop-echo[=N]     leave out the last N echo bytes (1)
//           corrupt-echo[=I]  flip the bits of echo byte I (0); frames count after "CL~"
//           corrupt-reply[=I] flip the bits of answer byte I (0)
//           partial=N         send only the first N bytes of the answer
//           hangup=N          close the line once N bytes of the message have arrived
//           late=MS           send the answer MS milliseconds after the echo
//
// Examples: PG:3:reply=NG  BE:1:silent  PG:*:reply=NG  ED:2:late=6000  PG:5:hangup=300

#include <string>
#include <string_view>

#include "sim/SimulatorTypes.h"

namespace rkt5::sim {

// Throws std::invalid_argument with a message that names the wrong part.
Fault parseFault(std::string_view given);

// The text parseFault reads back as `fault`: KIND:K:ACTION[=ARG], the reply escaped.
std::string faultText(const Fault& fault);

// The KIND word of a message kind, as parseFault reads it.
std::string kindName(MessageKind kind);

}  // namespace rkt5::sim
