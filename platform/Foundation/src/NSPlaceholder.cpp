// Translation unit placeholder; the layer is built from the files beside it.
