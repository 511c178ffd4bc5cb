// A right triangle (legs 6 and 4 mm) extruded 3 mm in 3 layers of prisms (volume 36 mm^3).
Point(1) = {0, 0, 0, 2};
Point(2) = {6, 0, 0, 2};
Point(3) = {0, 4, 0, 2};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 1};
Curve Loop(1) = {1, 2, 3};
Plane Surface(1) = {1};
Extrude {0, 0, 3} { Surface{1}; Layers{3}; Recombine; }
