#!/bin/sh
# Packs the ten extract files of the data directory into one zip archive.
# Called by the exporter as: comprimir.sh ARCHIVE DATADIR (working directory
# DATADIR). An older archive of that name is replaced; the archive appears
# under its name only once it is complete. Files missing from the directory
# are left out; with none at all no archive is made.
set -eu

[ $# -eq 2 ] || { echo "usage: comprimir.sh ARCHIVE DATADIR" >&2; exit 2; }
archive=$1
cd "$2"

files=""
for name in Municipios.txt TiposDeNegocio.txt Vendedores.txt Clientes.txt SKU.txt Rutas.txt \
    Inventario.txt Ventas.txt ListadodeFacturas.txt TotalesdeControl.txt; do
    [ -f "$name" ] && files="$files $name"
done
if [ -z "$files" ]; then
    echo "comprimir.sh: no extract files in $PWD" >&2
    exit 1
fi

partial=".$archive.partial.zip"
rm -f "$partial"
# shellcheck disable=SC2086  # the fixed file names hold no blanks
if ! zip -q -X -j "$partial" $files; then
    rm -f "$partial"
    exit 1
fi
mv -f "$partial" "$archive"
