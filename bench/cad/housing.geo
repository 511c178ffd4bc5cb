// A housing shell open at the top: 80 x 50 x 30 mm outside, 2 mm walls, two 1.5 mm ribs across
// the floor and four screw bosses (8 mm across, 3 mm holes) in the inner corners. Millimetres;
// meshed into tetrahedra by bench/run.sh.
SetFactory("OpenCASCADE");
wall = 2;
Box(1) = {0, 0, 0, 80, 50, 30};
Box(2) = {wall, wall, wall, 80 - 2 * wall, 50 - 2 * wall, 30};
shell() = BooleanDifference{ Volume{1}; Delete; }{ Volume{2}; Delete; };
Box(3) = {26, wall, wall, 1.5, 50 - 2 * wall, 10};
Box(4) = {52.5, wall, wall, 1.5, 50 - 2 * wall, 10};
bossAt[] = {7, 7, 73, 7, 7, 43, 73, 43};
For k In {0:3}
  Cylinder(10 + k) = {bossAt[2 * k], bossAt[2 * k + 1], wall, 0, 0, 24, 4};
EndFor
body() = BooleanUnion{ Volume{shell(0)}; Delete; }{ Volume{3, 4, 10:13}; Delete; };
For k In {0:3}
  Cylinder(20 + k) = {bossAt[2 * k], bossAt[2 * k + 1], wall + 4, 0, 0, 24, 1.5};
EndFor
BooleanDifference{ Volume{body(0)}; Delete; }{ Volume{20:23}; Delete; }
Mesh.MeshSizeMax = 1.17;
