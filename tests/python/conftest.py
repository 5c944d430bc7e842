"""Shared fixtures: the camrig command and the synthetic rig it renders."""
import os
import shutil
import subprocess

import pytest


@pytest.fixture(scope="session")
def camrig_command():
    """The camrig command line: $CAMRIG_COMMAND, or camrig on the path."""
    command = os.environ.get("CAMRIG_COMMAND") or shutil.which("camrig")
    if not command:
        pytest.skip("the camrig command is not built")
    return command


@pytest.fixture(scope="session")
def synthetic_rig(camrig_command, tmp_path_factory):
    """The folder `camrig render` wrote the synthetic rig into (rig.yaml,
    truth.yaml, photographs, frames), rendered once per session. Tests that
    change files copy them first."""
    folder = tmp_path_factory.mktemp("synthetic") / "rig"
    subprocess.run([camrig_command, "render", "--out", str(folder)], check=True, capture_output=True)
    return folder
