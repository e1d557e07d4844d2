#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "Argument.h"

// Arguments and results of `zuvo call` as JSON. Values JSON has no type for travel as tagged
// forms: {"Decimal":"1.25"}, {"Date":"2000-01-05T10:30:00"}, {"Empty":null}, {"Bytes":"00FF"},
// {"Array":[…],"lbound":1}, and the data access objects {"Connection":null},
// {"Query":"SQL"}, {"Resultset":"SQL"}, {"QueryResultset":null}.
namespace zuvo::cli {

// Keeps the keys in the order written, so that output reads result, args, messages, ….
using Json = nlohmann::ordered_json;

// Reads one argument; a malformed one is a UsageError.
Argument parseArgument(const Json& json);
// Reads one argument given as JSON text on the command line.
Argument parseArgumentText(const std::string& text);

Json encodeVariant(const Variant& value);
Json encodeArgument(const Argument& argument);

// "yyyy-mm-ddThh:mm:ss", or "yyyy-mm-dd" when the time may be left out; nullopt when the text
// is not a valid date and time.
std::optional<Date> parseDateText(std::string_view text, bool timeRequired);
std::string dateText(Date date);

// Compact one-line JSON; text that is not valid UTF-8 is replaced rather than refused.
std::string dump(const Json& json);

}  // namespace zuvo::cli
