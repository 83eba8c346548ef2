#!/bin/sh
echo "fuzz targets not set up yet"
