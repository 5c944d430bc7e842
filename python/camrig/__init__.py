"""camrig: camera geometry for vehicle surround-view systems.

The library's records, functions and view engines, and the toolkit's rig
files, picture files, decoders and calibration, over numpy arrays.
Pictures are arrays of shape (height, width, 3), uint8, bytes in the order
blue, green, red.
"""
from ._camrig import *  # noqa: F401,F403
from ._camrig import __version__  # noqa: F401
