#!/usr/bin/env bash
# The shooting data of a photo in the main window that openbox frames on a
# screen 1024 pixels wide: a test program that makes the window as the viewer
# does and reads its labels, run on the desktop's X server.
# Usage: fenetre_donnees_prise_de_vue.sh TESTS   (no X server needed)
set -euo pipefail
tests=$1
test_name=fenetre_donnees_prise_de_vue
source "$(dirname "$0")/bureau_openbox.sh"
start_desktop 1024x768
"$tests" || fail "the shooting data do not show whole"
