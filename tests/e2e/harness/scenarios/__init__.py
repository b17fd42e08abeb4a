"""The end-to-end scenarios, one module each with a run(machine, checks)."""
