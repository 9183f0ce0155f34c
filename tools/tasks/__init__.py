"""Tasks run on Dask's distributed scheduler, locally or on a cluster of machines: the one way
the tools run games and other work in parallel (README.md's map of the tree says what each
module holds). A module imports only those before it in this order: progress, context, code,
files, runner."""
