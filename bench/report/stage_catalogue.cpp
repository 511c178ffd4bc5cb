#include "stage_catalogue.h"

namespace qvr::report {

const std::vector<StageInfo>& libraryStages() {
    static const std::vector<StageInfo> stages = {
        {"load_text", "`ReadMeshData`, text mesh", "ReadMeshData, text", "cell", "#1f77b4"},
        {"load_binary", "`ReadMeshData`, binary mesh", "ReadMeshData, binary", "cell", "#6baed6"},
        {"initialize_search", "`InitialzeSearch`", "InitialzeSearch", "cell", "#ff7f0e"},
        {"near_block_search", "`SearchNearBlockID`, box of side MinMesh", "SearchNearBlockID",
         "query", "#2ca02c"},
        {"ray_pass_search", "`FindPassElemByAnyRay`, inward skin ray", "FindPassElemByAnyRay",
         "ray", "#d62728"},
        {"set_surface_node.centroid", "`SetSurfaceNode`, default (centroid-plane) mode",
         "SetSurfaceNode, default mode", "skin node", "#9467bd"},
        {"set_surface_node.exact", "`SetSurfaceNode`, exact mode", "SetSurfaceNode, exact mode",
         "skin node", "#8c564b"},
        {"get_fiber", "`GetFiber`", "GetFiber", "sample point", "#e377c2"},
        {"get_wall_ray", "`GetWallRay`, exact-mode rays", "GetWallRay", "skin node", "#aec7e8"},
        {"node_normals", "`ComputeNodeSurfaceNormal`", "ComputeNodeSurfaceNormal", "skin face",
         "#7f7f7f"},
        {"smooth_surface", "`SmoothSurfaceNodeValue`, one pass", "SmoothSurfaceNodeValue",
         "skin face", "#bcbd22"},
    };
    return stages;
}

const std::vector<StageInfo>& anchorStages() {
    static const std::vector<StageInfo> stages = {
        {"anchor.scan_query", "brute-force scan of all tree boxes", "anchor: scan query", "query",
         "#17becf"},
        {"anchor.rtree_build", "Boost.Geometry R-tree, packed build of the tree boxes",
         "anchor: R-tree build", "cell", "#393b79"},
        {"anchor.rtree_query", "Boost.Geometry R-tree query", "anchor: R-tree query", "query",
         "#637939"},
        {"anchor.embree_ray", "Embree 3 first hit on the skin triangles", "anchor: Embree ray",
         "ray", "#843c39"},
    };
    return stages;
}

const StageInfo* stageInfo(const std::string& stage) {
    for (const auto* list : {&libraryStages(), &anchorStages()})
        for (const StageInfo& s : *list)
            if (stage == s.stage) return &s;
    return nullptr;
}

const std::vector<AnchorRatio>& anchorRatios() {
    static const std::vector<AnchorRatio> ratios = {
        {"near_block_search", "anchor.scan_query", "`SearchNearBlockID` / brute-force scan"},
        {"near_block_search", "anchor.rtree_query", "`SearchNearBlockID` / R-tree query"},
        {"initialize_search", "anchor.rtree_build", "`InitialzeSearch` / R-tree packed build"},
        {"ray_pass_search", "anchor.embree_ray", "`FindPassElemByAnyRay` / Embree ray"},
        {"set_surface_node.centroid", "anchor.embree_ray",
         "`SetSurfaceNode` default mode / Embree ray"},
        {"set_surface_node.exact", "anchor.embree_ray", "`SetSurfaceNode` exact mode / Embree ray"},
    };
    return ratios;
}

const std::vector<BeforeAfter>& beforeAfterPairs() {
    static const std::vector<BeforeAfter> pairs = {
        {"straightforward.near_block_search", "near_block_search",
         "`SearchNearBlockID`, box of side MinMesh", "query"},
        {"straightforward.ray_pass_search", "ray_pass_search",
         "`FindPassElemByAnyRay`, inward skin ray", "ray"},
        {"straightforward.set_surface_node.centroid", "set_surface_node.centroid",
         "`SetSurfaceNode`, default mode, per node", "skin node"},
        {"straightforward.get_fiber", "get_fiber", "`GetFiber`", "sample point"},
    };
    return pairs;
}

}  // namespace qvr::report
