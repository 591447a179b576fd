#include "script/script_budget.h"

namespace varno {

void ScriptBudget::Start() {
    instructions_ = 0;
    allocated_ = 0;
    limit_ = Limit::None;
    refused_.reset();
}

void ScriptBudget::Pass(Limit limit) {
    if (limit_ == Limit::None) {
        limit_ = limit;
    }
}

bool ScriptBudget::MayGrow(const void* block, std::size_t oldSize, std::size_t newSize) {
    const Request request{block, oldSize, newSize};
    if (refused_ && !(*refused_ == request)) {
        Pass(Limit::Memory);
    }
    if (limit_ != Limit::None) {
        return false;
    }
    if (newSize - oldSize > kMemoryLimit - memory_) {
        if (refused_) {
            Pass(Limit::Memory);  // asked again after the collection: still too much
        } else {
            allocated_ += memory_;  // the collection Lua makes now
            refused_ = request;
        }
        return false;
    }
    allocated_ += newSize - oldSize;
    if (work() > kInstructionLimit) {
        Pass(Limit::Instructions);
        return false;
    }
    return true;
}

void ScriptBudget::Grown(std::size_t oldSize, std::size_t newSize) {
    memory_ += newSize - oldSize;
    refused_.reset();
}

void ScriptBudget::Charge(std::int64_t instructions) {
    instructions_ += instructions;
    if (work() > kInstructionLimit) {
        Pass(Limit::Instructions);
    }
}

void ScriptBudget::Settle() {
    if (refused_) {
        Pass(Limit::Memory);
    }
}

}  // namespace varno
