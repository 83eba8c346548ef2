#!/bin/sh
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer and runs it.
echo "sanitizer run not set up yet"
