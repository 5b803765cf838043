"""python3 -m tarn_lux: the command line (see tarn_lux.cli)."""

import sys

from .cli import main

sys.exit(main())
