// Two 4 x 4 x 4 mm cubes side by side (volume 128 mm^3): the left one structured hexahedra,
// the right one tetrahedra, joined through pyramids on the shared quadrangle face.
SetFactory("OpenCASCADE");
Box(1) = {0, 0, 0, 4, 4, 4};
Box(2) = {4, 0, 0, 4, 4, 4};
BooleanFragments{ Volume{1}; Delete; }{ Volume{2}; Delete; }
left() = Surface In BoundingBox{-0.1, -0.1, -0.1, 4.1, 4.1, 4.1};
Transfinite Curve{:} = 3;
Transfinite Surface{left()};
Recombine Surface{left()};
Transfinite Volume{1};
Mesh.CharacteristicLengthMax = 2;
