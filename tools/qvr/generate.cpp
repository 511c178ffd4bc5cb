// qvr generate KIND OUT.nqb [OUT.k7t]: sample parts and fibre results made in code.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <memory>

#include "cli_support.h"
#include "command_files.h"
#include "commands.h"
#include "fiber_fields.h"
#include "generator/PartGenerator.h"
#include "mesh_files.h"

namespace qvr::cli {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Rotation of `rotated-plate` when none is given: an axis off every coordinate plane, so that
// no face of the part stays parallel to one.
constexpr double kDefaultAngleDeg = 30.0;

struct GenerateOptions {
    std::string kind, meshOut, resultOut;
    long long cells = 0;
    std::string type = "hex", field = "skin-shell-core", unit;
    bool binary = false, text = false, hole = false;
    gen::PlateSpec plate;
    gen::TubeSpec tube;
    std::vector<double> axis{1.0, 2.0, 3.0};
    double angleDeg = kDefaultAngleDeg;
    double scale = 1.0;
    CLI::App* cmd = nullptr;
};

bool given(const GenerateOptions& o, const char* name) { return o.cmd->count(name) > 0; }

std::string formatNumber(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string formatVector(const std::array<double, 3>& v) {
    return formatNumber(v[0]) + " " + formatNumber(v[1]) + " " + formatNumber(v[2]);
}

gen::PlateSpec plateSpec(const GenerateOptions& o, gen::CellType type) {
    const bool ribs = o.kind == "ribbed-plate";
    gen::PlateSpec params =
        o.cells > 0 ? gen::plateForCellCount(o.cells, type, ribs) : gen::PlateSpec();
    params.type = type;
    params.ribs = ribs;
    params.hole = o.hole;
    if (given(o, "--lx")) params.lx = o.plate.lx;
    if (given(o, "--ly")) params.ly = o.plate.ly;
    if (given(o, "--thickness")) params.thickness = o.plate.thickness;
    if (given(o, "--nx")) params.nx = o.plate.nx;
    if (given(o, "--ny")) params.ny = o.plate.ny;
    if (given(o, "--nz")) params.nz = o.plate.nz;
    if (given(o, "--ribs")) params.ribCount = o.plate.ribCount;
    if (given(o, "--rib-height")) params.ribHeight = o.plate.ribHeight;
    if (given(o, "--rib-width")) params.ribWidth = o.plate.ribWidth;
    return params;
}

// Cells per block of the tube's block lattice, for sizing it from --cells.
double cellsPerBlock(gen::CellType type) {
    switch (type) {
        case gen::CellType::Hex: return 1.0;
        case gen::CellType::Prism: return 2.0;
        case gen::CellType::Tet:
        case gen::CellType::Pyramid: return 6.0;
        case gen::CellType::Mixed: return 4.5;  // the bands average about that
    }
    return 1.0;
}

gen::TubeSpec tubeSpec(const GenerateOptions& o, gen::CellType type) {
    gen::TubeSpec params;
    params.type = type;
    if (given(o, "--radius")) params.innerRadius = o.tube.innerRadius;
    if (given(o, "--thickness")) params.wall = o.plate.thickness;
    if (given(o, "--length")) params.length = o.tube.length;
    if (o.cells > 0) {
        // Blocks close to cubes at the mid-wall radius, nWall through the wall.
        const double blocks = static_cast<double>(o.cells) / cellsPerBlock(type);
        const double around = 2.0 * kPi * (params.innerRadius + 0.5 * params.wall);
        const double perLayer = blocks / params.nWall;
        params.nTheta = std::max(
            3, static_cast<int>(std::lround(std::sqrt(perLayer * around / params.length))));
        params.nZ = std::max(1, static_cast<int>(std::lround(perLayer / params.nTheta)));
    }
    if (given(o, "--n-theta")) params.nTheta = o.tube.nTheta;
    if (given(o, "--n-wall")) params.nWall = o.tube.nWall;
    if (given(o, "--n-z")) params.nZ = o.tube.nZ;
    return params;
}

void runGenerate(const GenerateOptions& o) {
    checkDistinctFiles({}, {{"OUT_NQB", o.meshOut}, {"OUT_K7T", o.resultOut}});
    if (o.kind != "rotated-plate" && (given(o, "--axis") || given(o, "--angle")))
        failUsage("--axis and --angle turn a rotated-plate only");
    gen::CellType type;
    if (!gen::parseCellType(o.type, type)) failUsage("--type: unknown cell type " + o.type);
    const bool tube = o.kind == "tube";
    gen::FiberSpec fiber = o.field == "affine" ? affineFiberField() : gen::FiberSpec();
    nqbio::MeshData mesh;
    if (tube) {
        const gen::TubeSpec params = tubeSpec(o, type);
        mesh = gen::makeTube(params);
        fiber.zBottom = 0.0;
        fiber.zTop = params.length;
    } else {
        const gen::PlateSpec params = plateSpec(o, type);
        mesh = gen::makePlate(params);
        fiber.zBottom = 0.0;
        fiber.zTop = params.thickness;
    }
    if (mesh.parts.empty()) failUsage("the sizes and block counts given make no part");
    if (!o.unit.empty()) mesh.unit = o.unit;

    // The skin-shell-core field follows the part's own thickness direction, so it is made
    // before the part is turned and turned with it; the affine field is one of position and
    // is made on the final part.
    k7t::ResultFile result;
    const bool affine = fiber.field == gen::FiberField::Affine;
    if (!affine) result = gen::makeFiberResult(mesh, fiber);
    if (o.kind == "rotated-plate") {
        const std::array<double, 3> axis{o.axis[0], o.axis[1], o.axis[2]};
        const double angle = o.angleDeg * kPi / 180.0;
        if (!gen::rotate(mesh, axis, angle))
            failUsage("--axis " + formatVector(axis) + " --angle " + formatNumber(o.angleDeg) +
                      ": the part cannot be turned so (a zero or non-finite axis or angle, or a "
                      "node carried beyond the float range)");
        if (!affine) rotateFiberResult(result, rotationMatrix(axis, angle));
    }
    if (o.scale != 1.0 && !gen::scale(mesh, o.scale))
        failUsage("--scale " + formatNumber(o.scale) +
                  ": the part cannot be scaled so (a coordinate or cell volume would leave the "
                  "float range)");
    if (affine) result = gen::makeFiberResult(mesh, fiber);

    const bool binary = o.binary && !o.text;
    writeMeshOrFail(o.meshOut, mesh, binary);
    long long counts[9] = {};
    for (const nqbio::PartElement& e : mesh.parts) ++counts[e.nNode];
    std::printf(
        "wrote %s (%s): %d nodes, %zu cells (hex %lld, prism %lld, tet %lld, pyramid %lld), "
        "%zu skin faces, unit %s\n",
        o.meshOut.c_str(), binary ? "binary" : "text", mesh.nodeCount(), mesh.parts.size(),
        counts[8], counts[6], counts[4], counts[5], mesh.surfaces.size(), mesh.unit.c_str());
    if (!o.resultOut.empty()) {
        writeResultOrFail(o.resultOut, result);
        std::printf("wrote %s: %s field, %zu items per cell\n", o.resultOut.c_str(),
                    o.field.c_str(), result.items.size());
    }
}

}  // namespace

void addGenerateCommand(CLI::App& app) {
    auto o = std::make_shared<GenerateOptions>();
    CLI::App* cmd = app.add_subcommand("generate", "Write a sample part (and its fibre result)");
    o->cmd = cmd;
    cmd->add_option("KIND", o->kind, "plate, ribbed-plate, tube or rotated-plate")
        ->required()
        ->check(CLI::IsMember({"plate", "ribbed-plate", "tube", "rotated-plate"}));
    cmd->add_option("OUT_NQB", o->meshOut, "mesh file to write")->required();
    cmd->add_option("OUT_K7T", o->resultOut, "fibre result file to write (optional)");
    cmd->add_option("--cells", o->cells, "about this many cells (sizes the block grid)")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--type", o->type, "cell type: tet, pyramid, prism, hex or mixed")
        ->check(CLI::IsMember({"tet", "pyramid", "prism", "hex", "mixed"}))
        ->capture_default_str();
    cmd->add_option("--field", o->field, "fibre field: skin-shell-core or affine")
        ->check(CLI::IsMember({"skin-shell-core", "affine"}))
        ->capture_default_str();
    auto* binary = cmd->add_flag("--binary", o->binary, "write the mesh in the binary encoding");
    auto* text = cmd->add_flag("--text", o->text, "write the mesh in the text encoding (default)");
    binary->excludes(text);
    cmd->add_option("--thickness", o->plate.thickness, "plate thickness or tube wall, mm")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--lx", o->plate.lx, "plate length along x, mm")->check(CLI::PositiveNumber);
    cmd->add_option("--ly", o->plate.ly, "plate width along y, mm")->check(CLI::PositiveNumber);
    cmd->add_option("--nx", o->plate.nx, "plate blocks along x")->check(CLI::Range(1, 1 << 20));
    cmd->add_option("--ny", o->plate.ny, "plate blocks along y")->check(CLI::Range(1, 1 << 20));
    cmd->add_option("--nz", o->plate.nz, "plate blocks through the thickness")
        ->check(CLI::Range(1, 1 << 20));
    cmd->add_option("--ribs", o->plate.ribCount, "number of ribs (ribbed-plate)")
        ->check(CLI::Range(0, 1000));
    cmd->add_option("--rib-height", o->plate.ribHeight, "rib height, mm")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--rib-width", o->plate.ribWidth, "rib width, mm")->check(CLI::PositiveNumber);
    cmd->add_flag("--hole", o->hole, "cut a rectangular opening through the plate");
    cmd->add_option("--radius", o->tube.innerRadius, "tube inner radius, mm")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--length", o->tube.length, "tube length, mm")->check(CLI::PositiveNumber);
    cmd->add_option("--n-theta", o->tube.nTheta, "tube blocks around")
        ->check(CLI::Range(3, 1 << 20));
    cmd->add_option("--n-wall", o->tube.nWall, "tube blocks through the wall")
        ->check(CLI::Range(1, 1 << 20));
    cmd->add_option("--n-z", o->tube.nZ, "tube blocks along the axis")
        ->check(CLI::Range(1, 1 << 20));
    cmd->add_option("--axis", o->axis, "rotation axis X Y Z (rotated-plate)")
        ->expected(3)
        ->capture_default_str();
    cmd->add_option("--angle", o->angleDeg, "rotation angle in degrees (rotated-plate)")
        ->capture_default_str();
    cmd->add_option("--scale", o->scale, "multiply every coordinate by this factor")
        ->check(CLI::PositiveNumber);
    cmd->add_option("--unit", o->unit, "unit text written into the mesh file (default mm)");
    cmd->callback([o] { runGenerate(*o); });
}

}  // namespace qvr::cli
