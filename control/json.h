#pragma once

// The JSON library of the control protocol, with std::string support, and the one writer
// every line is written with.
#ifndef RAPIDJSON_HAS_STDSTRING
#define RAPIDJSON_HAS_STDSTRING 1
#endif
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace varno::json {

using Value = rapidjson::Value;
using Document = rapidjson::Document;
using Buffer = rapidjson::StringBuffer;
using Writer = rapidjson::Writer<Buffer>;

}  // namespace varno::json
