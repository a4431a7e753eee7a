// The run window "Przebieg jazdy" (comes with the run's series).
'use strict';
