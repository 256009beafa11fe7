! Reference reader for the differential tests: reads DOS files the way the
! program does (11 list-directed header reads into a 10-character text, then
! 339 list-directed reads of two doubles) with gfortran's own list-directed
! input, and prints either every value as a 64-bit pattern or which read failed.
! File names come one per line on standard input; each result ends with "end".
program read_probe
  implicit none
  character(len=4096) :: path
  character(len=10) :: header
  real(8) :: energy(339), dos(339)
  integer :: i, ios, u
  do
    read(5, '(A)', iostat=ios) path
    if (ios /= 0) exit
    energy = 0d0
    dos = 0d0
    open(newunit=u, file=trim(path), status='old', iostat=ios)
    if (ios /= 0) then
      write(6, '(A)') 'open'
      write(6, '(A)') 'end'
      cycle
    end if
    do i = 1, 11
      read(u, *, iostat=ios) header
      if (ios /= 0) exit
    end do
    if (ios /= 0) then
      write(6, '(A,I0,A,I0)') 'header ', i, ' ', merge(1, 0, ios < 0)
    else
      do i = 1, 339
        read(u, *, iostat=ios) energy(i), dos(i)
        if (ios /= 0) exit
      end do
      if (ios /= 0) then
        write(6, '(A,I0,A,I0)') 'record ', i, ' ', merge(1, 0, ios < 0)
      else
        do i = 1, 339
          write(6, '(Z16.16,1X,Z16.16)') transfer(energy(i), 0_8), transfer(dos(i), 0_8)
        end do
      end if
    end if
    close(u)
    write(6, '(A)') 'end'
  end do
end program read_probe
