// A 10 x 6 x 3 mm box of linear tetrahedra (volume 180 mm^3).
SetFactory("Built-in");
Point(1) = {0, 0, 0, 3};
Point(2) = {10, 0, 0, 3};
Point(3) = {10, 6, 0, 3};
Point(4) = {0, 6, 0, 3};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Extrude {0, 0, 3} { Surface{1}; }
Mesh.CharacteristicLengthMax = 3;
