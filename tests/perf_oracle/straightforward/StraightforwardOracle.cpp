#include "StraightforwardOracle.h"

#include <cmath>
#include <set>

#include "CFEM_Elem3D.h"
#include "search/CQvrADT.h"

namespace oracle {

namespace {

struct P3 {
    double x, y, z;
};

bool outside(const CQVROptKer& k, const P3& q) {
    return q.x < k.Box_xMin || q.y < k.Box_yMin || q.z < k.Box_zMin || q.x > k.Box_xMax ||
           q.y > k.Box_yMax || q.z > k.Box_zMax;
}

bool lineCrossesTriangle(double x, double y, double z, double dx, double dy, double dz, double x0,
                         double y0, double z0, double x1, double y1, double z1, double x2,
                         double y2, double z2) {
    const double e1x = x1 - x0, e1y = y1 - y0, e1z = z1 - z0;
    const double e2x = x2 - x0, e2y = y2 - y0, e2z = z2 - z0;
    const double tx = x - x0, ty = y - y0, tz = z - z0;
    const double qx = e2y * dz - e2z * dy;
    const double qy = e2z * dx - e2x * dz;
    const double qz = e2x * dy - e2y * dx;
    const double det = e1x * qx + e1y * qy + e1z * qz;
    if (det >= -0.006 && det < 0.006) return false;
    const double rx = dy * e1z - dz * e1y;
    const double ry = dz * e1x - dx * e1z;
    const double rz = dx * e1y - dy * e1x;
    const double u = tx * qx + ty * qy + tz * qz;
    const double v = tx * rx + ty * ry + tz * rz;
    if (det > 0.0) return u >= 0.0 && v >= 0.0 && u + v - det <= 0.0;
    return u <= 0.0 && v <= 0.0 && u + v - det >= 0.0;
}

void orderQuadNodes(const CQVROptKer& k, int* l) {
    const int pairs[6][2] = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    double longest = 0.0;
    int keep = -1;
    for (int p = 0; p < 6; ++p) {
        const Cnode& a = k.m_pNode[l[pairs[p][0]]];
        const Cnode& b = k.m_pNode[l[pairs[p][1]]];
        const double d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                                   (a.z - b.z) * (a.z - b.z));
        if (d > longest) {
            longest = d;
            keep = p;
        }
    }
    if (keep < 0) return;
    const int i = pairs[keep][0], j = pairs[keep][1];
    int r[5] = {0, l[i], l[j], 0, 0};
    int next = 3;
    for (int m = 1; m <= 4; ++m) {
        if (m != i && m != j) r[next++] = l[m];
    }
    for (int m = 1; m <= 4; ++m) l[m] = r[m];
}

}  // namespace

PassResult findPassElem(CQVROptKer& k, double x, double y, double z, double dx, double dy,
                        double dz, int slot) {
    PassResult out;
    if (k.m_pADTree == nullptr || slot < 0 || slot >= k.m_nSlotCount ||
        k.m_ppNearBlockList == nullptr || k.m_ppPassElemList == nullptr) {
        return out;
    }
    out.searched = true;
    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    P3 d{0.0, 0.0, 1.0};
    if (!(length < 1e-20)) d = P3{dx / length, dy / length, dz / length};

    const double bx = k.Box_xMax - k.Box_xMin, by = k.Box_yMax - k.Box_yMin,
                 bz = k.Box_zMax - k.Box_zMin;
    std::set<int> passed;
    double h = k.MinMesh;
    double limit = 2.0 * (std::sqrt(bx * bx + by * by + bz * bz) / std::fabs(h)) + 16.0;
    if (!(limit < 1e6)) limit = 1e6;
    P3 p{x, y, z};
    P3 q{p.x + h * d.x, p.y + h * d.y, p.z + h * d.z};
    for (double steps = 1.0;; steps += 1.0) {
        const double xmin = d.x < 0.0 ? q.x : p.x, xmax = d.x < 0.0 ? p.x : q.x;
        const double ymin = d.y < 0.0 ? q.y : p.y, ymax = d.y < 0.0 ? p.y : q.y;
        const double zmin = d.z < 0.0 ? q.z : p.z, zmax = d.z < 0.0 ? p.z : q.z;
        k.m_pADTree->SearchBlock(xmin, ymin, zmin, xmax, ymax, zmax, slot);
        const int found = k.m_pADTree->GetFoundCount(slot);
        const int* ids = k.m_pADTree->GetFoundList(slot);
        out.lastNear.clear();
        if (found > 0) {  // a slot beyond the tree's own has no list at all
            out.lastNear.assign(ids + 1, ids + 1 + found);
            passed.insert(ids + 1, ids + 1 + found);
        }

        const bool left = outside(k, q);
        h = k.MinMesh;
        const P3 next{q.x + h * d.x, q.y + h * d.y, q.z + h * d.z};
        const bool advanced = next.x != q.x || next.y != q.y || next.z != q.z;
        p = q;
        q = next;
        if (found == 0 || left) break;
        if (!advanced || steps >= limit) break;
    }
    out.passed.assign(passed.begin(), passed.end());
    return out;
}

double surfaceCrossing(const CQVROptKer& k, const std::vector<int>& faces, double x, double y,
                       double z, double dx, double dy, double dz) {
    double best = 1e30;
    const int n = static_cast<int>(faces.size()) - 1;
    if (n < 1) return 1e30;
    for (int s = 1; s <= n; ++s) {
        const CFaceElem& f = k.m_pSurface[faces[static_cast<std::size_t>(s)]];
        int l[5] = {};
        for (int m = 1; m <= f.nNode && m <= 4; ++m) l[m] = f.pNode[m];
        bool hit = false;
        if (f.nNode == 3) {
            const Cnode &a = k.m_pNode[l[1]], &b = k.m_pNode[l[2]], &c = k.m_pNode[l[3]];
            hit = lineCrossesTriangle(x, y, z, dx, dy, dz, a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y,
                                      c.z);
        } else if (f.nNode == 4) {
            orderQuadNodes(k, l);
            const Cnode &a = k.m_pNode[l[1]], &b = k.m_pNode[l[2]], &c = k.m_pNode[l[3]],
                        &e = k.m_pNode[l[4]];
            hit = lineCrossesTriangle(x, y, z, dx, dy, dz, a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y,
                                      c.z);
            if (!hit) {
                hit = lineCrossesTriangle(x, y, z, dx, dy, dz, a.x, a.y, a.z, b.x, b.y, b.z, e.x,
                                          e.y, e.z);
            }
        } else {
            continue;
        }
        if (!hit) continue;
        const double kk = 1.0 / (std::sqrt(f.ax * f.ax + f.ay * f.ay + f.az * f.az) + 1e-30);
        const double ux = kk * f.ax, uy = kk * f.ay, uz = kk * f.az;
        const double t = std::fabs(((f.xc - x) * ux + (f.yc - y) * uy + (f.zc - z) * uz) /
                                   (ux * dx + uy * dy + uz * dz + 1e-30));
        if (t > 1e-30 && t < best) best = t;
    }
    return best;
}

TracedRay traceRay(CQVROptKer& k, double x, double y, double z, double ax, double ay, double az,
                   int nLayer) {
    TracedRay r;
    const double s = 1.0 / (std::sqrt(ax * ax + ay * ay + az * az) + 1e-30);
    r.dx = s * ax;
    r.dy = s * ay;
    r.dz = s * az;
    const PassResult pass = findPassElem(k, x, y, z, r.dx, r.dy, r.dz, 0);
    std::vector<int> faces{0}, cells{0};
    for (int id : pass.passed) {
        if (id <= k.m_nSurface) {
            faces.push_back(id);
        } else {
            cells.push_back(id - k.m_nSurface);
        }
    }
    const double t = surfaceCrossing(k, faces, x, y, z, r.dx, r.dy, r.dz);
    const auto n = static_cast<std::size_t>(nLayer) + 1;
    r.x.assign(n, 0.0);
    r.y.assign(n, 0.0);
    r.z.assign(n, 0.0);
    r.dist.assign(n, 0.0);
    r.cell.assign(n, 0);
    const double h = t / (nLayer - 1);
    for (int j = 1; j <= nLayer; ++j) {
        const double sj = (j - 1) * h;
        r.x[static_cast<std::size_t>(j)] = sj * r.dx + x;
        r.y[static_cast<std::size_t>(j)] = sj * r.dy + y;
        r.z[static_cast<std::size_t>(j)] = sj * r.dz + z;
        r.dist[static_cast<std::size_t>(j)] = sj;
    }
    for (int j = 1; j <= nLayer; ++j) {
        const auto jj = static_cast<std::size_t>(j);
        double best = 1e30;
        for (std::size_t c = 1; c < cells.size(); ++c) {
            const CInnerCell& cell = k.p_Cell[cells[c]];
            const double d = (cell.xc - r.x[jj]) * (cell.xc - r.x[jj]) +
                             (cell.yc - r.y[jj]) * (cell.yc - r.y[jj]) +
                             (cell.zc - r.z[jj]) * (cell.zc - r.z[jj]);
            if (d < best) {
                best = d;
                r.cell[jj] = cells[c];
            }
        }
    }
    return r;
}

FiberProfile fiberProfile(const CQVROptKer& k, const TracedRay& ray,
                          const double* const nodeFiber[6]) {
    FiberProfile out;
    const std::size_t n = ray.dist.size();
    out.dist.assign(n, 0.0);
    for (auto& f : out.fiber) f.assign(n, 0.0);
    for (std::size_t j = 1; j < n; ++j) {
        const int c = ray.cell[j];
        if (c == 0) continue;
        const CInnerCell& cell = k.p_Cell[c];
        double value[6] = {};
        for (int comp = 0; comp < 6; ++comp) {
            CFEM_Elem3D_Factory* factory = new CFEM_Elem3D_Factory();
            CFEM_Elem3D* element = nullptr;
            switch (cell.nNode) {
                case 4: element = factory->Make_TETRA4(); break;
                case 5: element = factory->Make_PYRAMID5(); break;
                case 6: element = factory->Make_PRISM6(); break;
                case 8: element = factory->Make_HEXA8(); break;
                default: break;
            }
            if (element == nullptr) {
                delete factory;
                continue;
            }
            double X[8] = {}, Y[8] = {}, Z[8] = {}, V[8] = {}, N[8] = {};
            for (int m = 1; m <= cell.nNode; ++m) {
                const Cnode& p = k.m_pNode[cell.pNode[m]];
                X[m - 1] = p.x;
                Y[m - 1] = p.y;
                Z[m - 1] = p.z;
                V[m - 1] = nodeFiber[comp][cell.pNode[m]];
            }
            element->GetShapeFunction(ray.x[j], ray.y[j], ray.z[j], X, Y, Z, N);
            double v = 0.0;
            for (int m = 0; m < cell.nNode; ++m) v += N[m] * V[m];
            value[comp] = v;
            delete element;
            delete factory;
        }
        out.dist[j] = ray.dist[j];
        for (int comp = 0; comp < 6; ++comp)
            out.fiber[static_cast<std::size_t>(comp)][j] = value[comp];
    }
    return out;
}

}  // namespace oracle
