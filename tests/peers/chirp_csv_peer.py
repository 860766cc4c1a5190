# SPDX-License-Identifier: GPL-3.0-or-later
"""Has CHIRP's own CSV driver read a CSV file and write the memories it understood back out.

Usage: chirp_csv_peer.py IN.csv OUT.csv
Prints one line per memory CHIRP read: number, frequency in Hz, duplex, offset, tone mode,
rtone, ctone, dtcs, rx_dtcs, cross mode, mode, skip.
"""
import builtins
import sys

# Debian 12's CHIRP opens files with mode "rU", which Python 3.11 refuses.
_open = builtins.open


def _open_without_u(file, mode="r", *args, **kwargs):
    return _open(file, mode.replace("U", ""), *args, **kwargs)


builtins.open = _open_without_u

from chirp.drivers import generic_csv  # noqa: E402

radio = generic_csv.CSVRadio(sys.argv[1])
memories = [m for m in radio.get_memories() if not m.empty]
for m in memories:
    print(m.number, m.freq, m.duplex, m.offset, m.tmode or "-", m.rtone, m.ctone, m.dtcs, m.rx_dtcs,
          m.cross_mode, m.mode, m.skip or "-")
out = generic_csv.CSVRadio(None)
for m in memories:
    out.set_memory(m)
out.save(sys.argv[2])
