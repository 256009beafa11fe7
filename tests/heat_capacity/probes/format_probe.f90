! Reference writer for the differential tests: reads doubles as 64-bit
! patterns (16 hex digits a line) and writes each with the descriptors of
! the report table using gfortran's own formatted output, fields separated
! by a bar.
program format_probe
  implicit none
  integer(8) :: bits
  real(8) :: v
  integer :: ios
  do
    read(5, '(Z16)', iostat=ios) bits
    if (ios /= 0) exit
    v = transfer(bits, 1d0)
    write(6, '(F7.2,"|",ES15.7,"|",F9.5,"|",A5,"|",A8)') v, v, v, 'eV/K', 'J/mol/K'
  end do
end program format_probe
