#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets with the project's own writers (the qvr host):
# small parts of every cell type in both mesh encodings, their fibre results, and the smallest
# Gmsh files of the test data. Usage: tests/fuzz/make_seeds.sh path/to/qvr
set -euo pipefail
qvr=${1:?usage: make_seeds.sh path/to/qvr}
here=$(cd "$(dirname "$0")" && pwd)
corpus=$here/corpus
rm -rf "$corpus"
mkdir -p "$corpus"/{mesh_text,mesh_binary,result,gmsh}

for type in tet pyramid prism hex mixed; do
  "$qvr" generate plate --type "$type" --nx 2 --ny 1 --nz 1 \
    "$corpus/mesh_text/plate_$type.nqb" "$corpus/result/plate_$type.k7t" >/dev/null
  "$qvr" generate plate --type "$type" --nx 2 --ny 1 --nz 1 --binary \
    "$corpus/mesh_binary/plate_$type.nqb" >/dev/null
done
# Other units and a shape that is not a box.
"$qvr" generate tube --type hex --n-theta 3 --n-wall 1 --n-z 1 --unit inch \
  "$corpus/mesh_text/tube_inch.nqb" "$corpus/result/tube.k7t" >/dev/null
"$qvr" convert --binary "$corpus/mesh_text/tube_inch.nqb" "$corpus/mesh_binary/tube_inch.nqb" >/dev/null
"$qvr" generate plate --type tet --nx 1 --ny 1 --nz 1 --unit cm --scale 0.5 \
  "$corpus/mesh_text/plate_cm.nqb" >/dev/null

for f in sparse_tags_22 sparse_tags_41 box_hex_22 wedge_prism_41 wedge_prism_22_bin box_hex_41_bin \
         box_tet_41; do
  cp "$here/../data/gmsh/$f.msh" "$corpus/gmsh/"
done
du -sh "$corpus"/*
