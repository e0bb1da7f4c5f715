// The application core starts here; the batch job, generator and worker build on it.
namespace ombrelt::app {}
