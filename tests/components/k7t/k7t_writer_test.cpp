// Content the writer must refuse, and that a refusal leaves an existing file alone.
#include <gtest/gtest.h>

#include <functional>

#include "CQVR3DResultReader_Manipulator.h"
#include "RawResultFile.h"
#include "TempDir.h"

namespace {

k7t::ResultFile validFile() {
    k7t::ResultFile f;
    f.nodeCount = 2;
    f.elemCount = 1;
    f.items = {{4, 1, "FiberOrientation_a11", "", {1.0f}}, {2, 0, "Pressure", "MPa", {1.0f, 2.0f}}};
    return f;
}

TEST(K7tWriter, InconsistentContentIsRefusedBeforeTheFileIsTouched) {
    const std::vector<std::pair<const char*, std::function<void(k7t::ResultFile&)>>> faults = {
        {"too few values", [](k7t::ResultFile& f) { f.items[1].values.pop_back(); }},
        {"values for the other location", [](k7t::ResultFile& f) { f.items[0].location = 0; }},
        {"location 2", [](k7t::ResultFile& f) { f.items[0].location = 2; }},
        {"repeated id", [](k7t::ResultFile& f) { f.items[1].id = 4; f.items[1].location = 1;
                                                 f.items[1].values = {3.0f}; }},
        {"project of 128", [](k7t::ResultFile& f) { f.project.assign(128, 'p'); }},
        {"date of 64", [](k7t::ResultFile& f) { f.date.assign(64, 'd'); }},
        {"name of 64", [](k7t::ResultFile& f) { f.items[0].name.assign(64, 'n'); }},
        {"unit with a NUL", [](k7t::ResultFile& f) { f.items[1].unit = std::string("M\0Pa", 4); }},
        {"negative node count", [](k7t::ResultFile& f) { f.nodeCount = -1; f.items.pop_back(); }},
        {"element count 2^31-1", [](k7t::ResultFile& f) { f.elemCount = 2147483647; f.items.clear(); }},
    };
    TempDir dir;
    const std::string path = dir.file("kept.k7t");
    writeBytes(path, "earlier content");
    for (const auto& [what, fault] : faults) {
        SCOPED_TRACE(what);
        k7t::ResultFile f = validFile();
        fault(f);
        std::string error;
        EXPECT_FALSE(k7t::write(path, f, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(readBytes(path), "earlier content");
    }
    // The longest texts that fit are accepted.
    k7t::ResultFile f = validFile();
    f.project.assign(127, 'p');
    f.items[0].unit.assign(63, 'u');
    EXPECT_TRUE(k7t::write(path, f));
}

TEST(K7tWriter, UnwritablePathFails) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(k7t::write(dir.file("no/such/folder/r.k7t"), validFile(), &error));
    EXPECT_NE(error.find("cannot be created"), std::string::npos) << error;
    EXPECT_FALSE(k7t::write(dir.path().string(), validFile(), &error));
}

TEST(K7tWriter, ReadFailureLeavesTheTargetAlone) {
    TempDir dir;
    writeBytes(dir.file("t.k7t"), "text\n");
    k7t::ResultFile target = validFile();
    std::string error;
    EXPECT_FALSE(k7t::read(dir.file("t.k7t"), target, &error));
    EXPECT_NE(error.find("text"), std::string::npos) << error;
    EXPECT_EQ(target.items.size(), 2u);
}

}  // namespace
