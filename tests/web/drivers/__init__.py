"""One driver per browser engine, each a Browser with page() and a Page."""
