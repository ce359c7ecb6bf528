# The end-to-end suite against vornel.exe, under wine.
