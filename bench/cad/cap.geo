// A snap-on cap: a domed top (40 mm across, 1.5 mm wall) on a 15 mm cylindrical skirt with a
// snap bead round the inside of its rim. Millimetres; meshed into tetrahedra by bench/run.sh.
SetFactory("OpenCASCADE");
outer = 20;
wall = 1.5;
Sphere(1) = {0, 0, 0, outer};
Sphere(2) = {0, 0, 0, outer - wall};
Box(3) = {-30, -30, -30, 60, 60, 30};  // the lower half, cut away
dome() = BooleanDifference{ Volume{1}; Delete; }{ Volume{2, 3}; Delete; };
Cylinder(4) = {0, 0, -15, 0, 0, 15, outer};
Cylinder(5) = {0, 0, -16, 0, 0, 17, outer - wall};
skirt() = BooleanDifference{ Volume{4}; Delete; }{ Volume{5}; Delete; };
Torus(6) = {0, 0, -13, outer - wall, 0.8};
BooleanUnion{ Volume{dome(0)}; Delete; }{ Volume{skirt(0), 6}; Delete; }
Mesh.MeshSizeMax = 0.72;
