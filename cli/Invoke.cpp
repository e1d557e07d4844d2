#include "Invoke.h"

#include <new>

#include "runtime/Convert.h"

namespace zuvo::cli {

namespace {

Json errorObject(std::int32_t number, const std::string& description) {
  return Json{{"number", number}, {"description", description}};
}

}  // namespace

CallResult runCall(const std::function<Variant()>& call, const std::vector<Argument>& args,
                   const Recorder& recorder) {
  Json result, error;
  try {
    result = encodeVariant(call());
  } catch (const ArgumentError& e) {
    error = errorObject(e.number(), e.description());
    error["argument"] = e.position();
  } catch (const RuntimeError& e) {
    error = errorObject(e.number(), e.description());
  } catch (const DatabaseError& e) {
    error = errorObject(e.number(), e.description());
  } catch (const std::bad_alloc&) {
    error = errorObject(7, RuntimeError::standardDescription(7));
  } catch (const std::exception& e) {
    error = errorObject(51, std::string("Internal error: ") + e.what());
  }

  CallResult outcome;
  outcome.failed = !error.is_null();
  Json& out = outcome.output;
  if (outcome.failed)
    out["error"] = std::move(error);
  else
    out["result"] = std::move(result);
  out["args"] = Json::array();
  for (const auto& a : args) out["args"].push_back(encodeArgument(a));
  out["messages"] = Json::array();
  for (const auto& m : recorder.messages)
    out["messages"].push_back(
        Json{{"title", rt::toUtf8(m.title)}, {"text", rt::toUtf8(m.text)}, {"style", m.style}});
  out["beeps"] = recorder.beeps;
  out["started"] = Json::array();
  for (const auto& s : recorder.started) out["started"].push_back(rt::toUtf8(s));
  return outcome;
}

}  // namespace zuvo::cli
