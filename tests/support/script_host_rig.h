#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "script/script_host.h"
#include "support/fake_script_ports.h"
#include "support/fakes.h"

namespace varno::test {

using Lines = std::vector<std::string>;

// A script host over fake ports, its scripts in a folder of the test's own.
class ScriptHostRig : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& code) {
        folder_.write(name + ".lua", code);
    }
    void Load(bool force = false) { host_.Load(folder_.path().string(), force); }
    bool Running(const std::string& name) const {
        for (const ScriptHost::Status& status : host_.status()) {
            if (status.name == name) {
                return status.running;
            }
        }
        return false;
    }
    // Runs code as probe.lua, started with an empty store, and tells what it logged.
    Lines Probe(const std::string& code) {
        host_.Load("", false);
        std::filesystem::remove(folder_.file("probe.store"));
        fake_.logs.clear();
        fake_.sent.clear();
        fake_.deeds.clear();
        fake_.errors.clear();
        Write("probe", kShow + code);
        Load();
        EXPECT_EQ(fake_.errors, Lines{}) << code;
        return fake_.logs;
    }
    // show(...): logs its arguments, each as tostring gives it, between spaces.
    static inline const std::string kShow =
        "local function show(...) local t = table.pack(...) "
        "for i = 1, t.n do t[i] = tostring(t[i]) end varno.log(table.concat(t, ' ')) end\n";

    TempFolder folder_;
    FakeScriptPorts fake_;
    const ScriptHost::Ports ports_ = fake_.ports();
    ScriptHost host_{ports_};
};

}  // namespace varno::test
