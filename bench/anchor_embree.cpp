// Anchor: the same inward rays cast with Embree against the skin triangles (quadrilaterals
// split along a diagonal): exact first hit, single rays, one thread, watertight test
// (RTC_SCENE_FLAG_ROBUST: without it, rays aimed exactly at a vertex or an edge can slip
// through).
#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <embree3/rtcore.h>

#include "benchmarks.h"

namespace qvr::bench {
namespace {

// Hits closer to the ray's origin than this fraction of MinMesh are the faces around the skin
// node itself.
constexpr double kStartOffsetOfMinMesh = 1e-4;

struct Scene {
    RTCDevice device = nullptr;
    RTCScene scene = nullptr;
    double buildSeconds = 0.0;
    int triangles = 0;
    Scene() = default;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    ~Scene() {
        if (scene != nullptr) rtcReleaseScene(scene);
        if (device != nullptr) rtcReleaseDevice(device);
    }
};
PerPart<Scene> scenes;

std::unique_ptr<Scene> buildScene(const CQVROptKer& k) {
    auto s = std::make_unique<Scene>();
    s->device = rtcNewDevice("threads=1");
    if (s->device == nullptr) throw std::runtime_error("Embree: no device");
    int triangles = 0;
    for (int f = 1; f <= k.m_nSurface; ++f) triangles += k.m_pSurface[f].nNode == 4 ? 2 : 1;

    const auto start = std::chrono::steady_clock::now();
    s->scene = rtcNewScene(s->device);
    rtcSetSceneFlags(s->scene, RTC_SCENE_FLAG_ROBUST);
    RTCGeometry g = rtcNewGeometry(s->device, RTC_GEOMETRY_TYPE_TRIANGLE);
    auto* v = static_cast<float*>(rtcSetNewGeometryBuffer(g, RTC_BUFFER_TYPE_VERTEX, 0,
                                                          RTC_FORMAT_FLOAT3, 3 * sizeof(float),
                                                          static_cast<std::size_t>(k.m_nNode) + 1));
    auto* t = static_cast<unsigned*>(rtcSetNewGeometryBuffer(g, RTC_BUFFER_TYPE_INDEX, 0,
                                                             RTC_FORMAT_UINT3, 3 * sizeof(unsigned),
                                                             static_cast<std::size_t>(triangles)));
    if (v == nullptr || t == nullptr) throw std::runtime_error("Embree: no buffers");
    v[0] = v[1] = v[2] = 0.0f;  // node 0 is no node; the index buffer never names it
    for (int i = 1; i <= k.m_nNode; ++i) {
        v[3 * i] = static_cast<float>(k.m_pNode[i].x);
        v[3 * i + 1] = static_cast<float>(k.m_pNode[i].y);
        v[3 * i + 2] = static_cast<float>(k.m_pNode[i].z);
    }
    for (int f = 1; f <= k.m_nSurface; ++f) {
        const int* n = k.m_pSurface[f].pNode;
        const auto put = [&t](int a, int b, int c) {
            t[0] = static_cast<unsigned>(a);
            t[1] = static_cast<unsigned>(b);
            t[2] = static_cast<unsigned>(c);
            t += 3;
        };
        put(n[1], n[2], n[3]);
        if (k.m_pSurface[f].nNode == 4) put(n[1], n[3], n[4]);
    }
    rtcCommitGeometry(g);
    rtcAttachGeometry(s->scene, g);
    rtcReleaseGeometry(g);
    rtcCommitScene(s->scene);
    s->buildSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s->triangles = triangles;
    return s;
}

}  // namespace

void registerEmbreeAnchor(const PartKey& key) {
    addBenchmark("anchor.embree_ray", key, [](benchmark::State& state, Part& p) {
        const Scene& s = scenes.get(p, [&p] { return buildScene(*p.kernel); });
        const RaySet& r = p.sample;
        const float tnear = static_cast<float>(kStartOffsetOfMinMesh * p.kernel->MinMesh);
        long long hits = 0;
        for (auto _ : state) {
            hits = 0;
            RTCIntersectContext context;
            rtcInitIntersectContext(&context);
            for (int i = 1; i <= r.count; ++i) {
                const auto k = static_cast<std::size_t>(i);
                const double len =
                    std::sqrt(r.dx[k] * r.dx[k] + r.dy[k] * r.dy[k] + r.dz[k] * r.dz[k]);
                RTCRayHit rh{};
                rh.ray.org_x = static_cast<float>(r.x[k]);
                rh.ray.org_y = static_cast<float>(r.y[k]);
                rh.ray.org_z = static_cast<float>(r.z[k]);
                rh.ray.dir_x = static_cast<float>(r.dx[k] / len);
                rh.ray.dir_y = static_cast<float>(r.dy[k] / len);
                rh.ray.dir_z = static_cast<float>(r.dz[k] / len);
                rh.ray.tnear = tnear;
                rh.ray.tfar = std::numeric_limits<float>::infinity();
                rh.ray.mask = ~0u;
                rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
                rtcIntersect1(s.scene, &context, &rh);
                hits += rh.hit.geomID != RTC_INVALID_GEOMETRY_ID ? 1 : 0;
            }
        }
        reportItems(state, p, r.count);
        state.counters["hit_fraction"] = static_cast<double>(hits) / r.count;
        state.counters["scene_build_ms"] = 1e3 * s.buildSeconds;
        state.counters["triangles"] = s.triangles;
    });
}

}  // namespace qvr::bench
