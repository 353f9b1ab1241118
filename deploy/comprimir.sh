#!/bin/sh
# Packs the ten extract files of the data directory into one zip archive.
# Called by the exporter as: comprimir.sh ARCHIVE DATADIR (working directory
# DATADIR). The archive appears under its name only once it is complete.
# When any of the ten files is missing or zip fails, it exits non-zero and
# leaves nothing under the archive's name: an archive without all ten files
# must never reach the server.
set -eu

[ $# -eq 2 ] || { echo "usage: comprimir.sh ARCHIVE DATADIR" >&2; exit 2; }
archive=$1
cd "$2"

files="Municipios.txt TiposDeNegocio.txt Vendedores.txt Clientes.txt SKU.txt Rutas.txt
    Inventario.txt Ventas.txt ListadodeFacturas.txt TotalesdeControl.txt"
rm -f "$archive"
for name in $files; do
    if [ ! -f "$name" ]; then
        echo "comprimir.sh: $name is missing in $PWD" >&2
        exit 1
    fi
done

partial=".$archive.partial.zip"
rm -f "$partial"
# shellcheck disable=SC2086  # the fixed file names hold no blanks
if ! zip -q -X -j "$partial" $files; then
    rm -f "$partial"
    exit 1
fi
mv -f "$partial" "$archive"
