// A moulded bracket for the README's tutorial: an 80 x 40 mm plate, 2 mm thick, with a rib
// 3 mm thick and 10 mm high along its length, a boss 11 mm across and 9 mm high, a 5 mm hole
// through the plate and a 16 x 10 mm window. Walls of 2, 3 and 11 mm, as a moulded part has.
//
//   gmsh -3 bracket.geo -format msh41 -o bracket.msh
//   qvr import bracket.msh bracket.nqb --fiber fiber.k7t
//
// Linear tetrahedra (qvr import takes first-order elements only), about 1.2 mm across.
SetFactory("OpenCASCADE");

Box(1) = {0, 0, 0, 80, 40, 2};              // the plate
Box(2) = {0, 28.5, 2, 80, 3, 10};           // the rib, standing on the plate along x
Cylinder(3) = {20, 14, 2, 0, 0, 9, 5.5};    // the boss on the plate
Cylinder(4) = {8, 8, -1, 0, 0, 4, 2.5};     // the hole through the plate
Box(5) = {50, 8, -1, 16, 10, 4};            // the window through the plate

BooleanUnion(10) = { Volume{1}; Delete; }{ Volume{2, 3}; Delete; };
BooleanDifference(11) = { Volume{10}; Delete; }{ Volume{4, 5}; Delete; };

Mesh.CharacteristicLengthMax = 1.2;
Mesh.ElementOrder = 1;
