// A coarse 10 x 6 x 3 mm box meshed with second-order (10-node) tetrahedra: the importer
// refuses it.
Merge "box_tet.geo";
Mesh.ElementOrder = 2;
Mesh.CharacteristicLengthMin = 6;
Mesh.CharacteristicLengthMax = 6;
