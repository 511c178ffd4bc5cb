// An 8 x 4 x 2 mm box of 4 x 2 x 2 hexahedra (volume 64 mm^3).
Point(1) = {0, 0, 0};
Point(2) = {8, 0, 0};
Point(3) = {8, 4, 0};
Point(4) = {0, 4, 0};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Transfinite Curve{1, 3} = 5;
Transfinite Curve{2, 4} = 3;
Transfinite Surface{1};
Recombine Surface{1};
Extrude {0, 0, 2} { Surface{1}; Layers{2}; Recombine; }
