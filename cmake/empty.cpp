// Stands in for a folder whose sources are still to come.
