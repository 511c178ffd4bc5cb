// An L-shaped mounting bracket, 3 mm wall: a 60 x 30 mm base and a 40 mm high upright joined by
// a 4 mm inner fillet, two screw holes in the base, one in the upright, and two triangular
// gussets at the sides. Millimetres; meshed into tetrahedra by bench/run.sh.
SetFactory("OpenCASCADE");
wall = 3;
Box(1) = {0, 0, 0, 60, 30, wall};          // base
Box(2) = {0, 0, 0, wall, 30, 40};          // upright
// Inner fillet: a square block in the corner less a quarter of a cylinder along y.
r = 4;
Box(3) = {wall, 0, wall, r, 30, r};
Cylinder(4) = {wall + r, -1, wall + r, 0, 32, 0, r};
fillet() = BooleanDifference{ Volume{3}; Delete; }{ Volume{4}; Delete; };
// Gussets: 2 mm triangular webs at both sides, 20 mm along the base and up the upright.
For side In {0:1}
  y0 = side * (30 - 2);
  p = newp;
  Point(p) = {wall, y0, wall};
  Point(p + 1) = {wall + 20, y0, wall};
  Point(p + 2) = {wall, y0, wall + 20};
  l = newl;
  Line(l) = {p, p + 1};
  Line(l + 1) = {p + 1, p + 2};
  Line(l + 2) = {p + 2, p};
  c = newll;
  Curve Loop(c) = {l, l + 1, l + 2};
  s = news;
  Plane Surface(s) = {c};
  web[] = Extrude {0, 2, 0} { Surface{s}; };
  gusset[side] = web[1];
EndFor
body() = BooleanUnion{ Volume{1}; Delete; }{ Volume{2, fillet(0), gusset[0], gusset[1]}; Delete; };
// Screw holes, 5 mm across.
Cylinder(30) = {35, 15, -1, 0, 0, wall + 2, 2.5};
Cylinder(31) = {52, 15, -1, 0, 0, wall + 2, 2.5};
Cylinder(32) = {-1, 15, 30, wall + 2, 0, 0, 2.5};
BooleanDifference{ Volume{body(0)}; Delete; }{ Volume{30, 31, 32}; Delete; }
Mesh.MeshSizeMax = 0.81;
